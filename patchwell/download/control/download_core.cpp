#include "patchwell/download/control/download_core.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/text/text.h"
#include "patchwell/download/control/download_environment.h"
#include "patchwell/download/control/download_texts.h"
#include "patchwell/download/control/file_sink.h"
#include "patchwell/download/control/preserve_extension.h"
#include "patchwell/download/control/progress_format.h"
#include "patchwell/download/http/http_headers.h"
#include "patchwell/download/http/http_parsing.h"
#include "patchwell/download/transfer/inet_transfer.h"

namespace patchwell::download {

// A status that ends the probe: its texts, its code and what it tells.
struct Refusal {
    int status;  // 0: any other status from 400 on
    const char* statusText;
    // Raised with its DLError text; none: the status itself is raised, with
    // texts::kServerError.
    std::optional<ErrorCode> code;
    bool errorFirst;  // DLError, StatusChange, DLECode instead of StatusChange, DLECode, DLError
    bool fileExists;
    bool clearsResume;
};

namespace {

// Passes of the pause wait are this far apart, so a paused transfer raises
// about 25 "Paused." texts a second and uses no processor meanwhile.
constexpr int kPausePassMs = 40;

QString Text(const char* text) {
    return QString::fromLatin1(text);
}

// The announced length as the transfer component reads it (64 bits: an
// installer may be larger than 2 GiB); none fails the probe.
qint64 AnnouncedLength(InetTransfer& transfer) {
    const std::int64_t length = transfer.ContentLength();
    if (length < 0) {
        throw ArithmeticError("no usable Content-Length");
    }
    return length;
}

constexpr Refusal kRefusals[] = {
    {401, texts::kUnauthorizedStatus, ErrorCode::Unauthorized, false, true, true},
    {403, texts::kDeniedStatus, ErrorCode::AccessDenied, false, true, true},
    {404, texts::kNotFound, ErrorCode::NotFound, true, false, false},
    // Any other client or server error: the body is an error page, never
    // the file, so the transfer must not be offered.
    {0, texts::kServerErrorStatus, std::nullopt, false, false, false},
};

const Refusal* RefusalFor(int status) {
    for (const Refusal& refusal : kRefusals) {
        if (refusal.status == status || (refusal.status == 0 && status >= 400)) {
            return &refusal;
        }
    }
    return nullptr;
}

// True for a status line of HTTP/1.1 at the head of a header text.
bool AnswersInHttp11(const std::string& header) {
    const auto line = http::ParseStatusLine(std::string_view(header).substr(0, header.find('\n')));
    return line && line->major == 1 && line->minor == 1;
}

}  // namespace

struct DownLoadCore::Private {
    std::shared_ptr<DownLoadEnvironment> env;
    std::unique_ptr<InetTransfer> i1;  // after env: it calls back into it
    ControlSite* site = nullptr;

    // The properties' values, named as the properties.
#define PATCHWELL_DOWNLOAD_STATE_FIELD(Type, Name) Type Name{};
#define PATCHWELL_DOWNLOAD_SETTING_FIELD(Type, Name, Argument, SavedKey, SavedOrder, Initial) \
    Type Name = Default##Name();
    PATCHWELL_DOWNLOAD_PROPERTIES(PATCHWELL_DOWNLOAD_STATE_FIELD, PATCHWELL_DOWNLOAD_IGNORE,
                                  PATCHWELL_DOWNLOAD_SETTING_FIELD)
#undef PATCHWELL_DOWNLOAD_STATE_FIELD
#undef PATCHWELL_DOWNLOAD_SETTING_FIELD
    QString targetFile;

    qint64 bytesDone = 0;
    float startTime = 0;
    float bytesPerSec = 0;
    float secondsLeft = 0;
    // The validator of the last probe's answer that may guard a range request.
    std::string validator;

    FileSink file;
    bool textsValid = false;
    RateKey rateKey;
    QString rateText;
    TimeLeftKey timeKey;
    QString timeText;

    InetTransfer& transfer() {
        if (!i1) {
            i1 = env->CreateTransfer();
            i1->SetCancelCheck([this] { return CCancel; });
        }
        return *i1;
    }
    void cancelRequest() {
        if (i1) {
            i1->Cancel();
        }
    }
    void changed(const char* name) {
        if (site != nullptr) {
            site->PropertyChanged(QString::fromLatin1(name));
        }
    }
    const QString& rateTextFor(float rate) {
        const RateKey key = MakeRateKey(rate);
        if (!textsValid || !(key == rateKey)) {
            rateKey = key;
            rateText = FormatRateKey(key);
        }
        return rateText;
    }
    const QString& timeTextFor(float seconds) {
        const TimeLeftKey key = MakeTimeLeftKey(seconds);
        if (!textsValid || !(key == timeKey)) {
            timeKey = key;
            timeText = FormatTimeLeftKey(key);
        }
        return timeText;
    }
};

DownLoadCore::DownLoadCore(std::shared_ptr<DownLoadEnvironment> environment, QObject* parent)
    : QObject(parent), d(std::make_unique<Private>()) {
    d->env = environment ? std::move(environment) : std::make_shared<SystemDownLoadEnvironment>();
}

DownLoadCore::~DownLoadCore() = default;

#define PATCHWELL_DOWNLOAD_DEFINE_STATE(Type, Name) \
    Type DownLoadCore::Name() const {               \
        return d->Name;                             \
    }
#define PATCHWELL_DOWNLOAD_DEFINE_MIRROR(Type, Name, Of) \
    Type DownLoadCore::Name() const {                    \
        return d->Of;                                    \
    }
#define PATCHWELL_DOWNLOAD_DEFINE_SETTING(Type, Name, Argument, SavedKey, SavedOrder, Initial) \
    Type DownLoadCore::Name() const {                                                          \
        return d->Name;                                                                        \
    }                                                                                          \
    void DownLoadCore::set##Name(PropertyArgument<Type> Argument) {                            \
        d->Name = Argument;                                                                    \
        d->changed(#Name);                                                                     \
    }
PATCHWELL_DOWNLOAD_PROPERTIES(PATCHWELL_DOWNLOAD_DEFINE_STATE, PATCHWELL_DOWNLOAD_DEFINE_MIRROR,
                              PATCHWELL_DOWNLOAD_DEFINE_SETTING)
#undef PATCHWELL_DOWNLOAD_DEFINE_STATE
#undef PATCHWELL_DOWNLOAD_DEFINE_MIRROR
#undef PATCHWELL_DOWNLOAD_DEFINE_SETTING

QString DownLoadCore::TargetFile() const {
    return d->targetFile;
}

// Persistence covers the saved properties, one at a time in their saved
// order, each under its key and with its default.
#define PATCHWELL_DOWNLOAD_FOR_SAVED(Type, Name, Argument, SavedKey, SavedOrder, Initial) \
    if ((SavedOrder) == order) {                                                          \
        PATCHWELL_DOWNLOAD_SAVED_STEP(Type, Name, SavedKey)                               \
    }

void DownLoadCore::InitProperties() {
    for (int order = 1; order <= kSavedPropertyCount; ++order) {
#define PATCHWELL_DOWNLOAD_SAVED_STEP(Type, Name, SavedKey) d->Name = Default##Name();
        PATCHWELL_DOWNLOAD_WRITE_PROPERTIES(PATCHWELL_DOWNLOAD_FOR_SAVED)
#undef PATCHWELL_DOWNLOAD_SAVED_STEP
    }
}

void DownLoadCore::ReadProperties(const PropertyBag& bag) {
    for (int order = 1; order <= kSavedPropertyCount; ++order) {
#define PATCHWELL_DOWNLOAD_SAVED_STEP(Type, Name, SavedKey)                                   \
    d->Name =                                                                                 \
        bag.ReadProperty(QLatin1String(SavedKey), QVariant::fromValue<Type>(Default##Name())) \
            .value<Type>();
        PATCHWELL_DOWNLOAD_WRITE_PROPERTIES(PATCHWELL_DOWNLOAD_FOR_SAVED)
#undef PATCHWELL_DOWNLOAD_SAVED_STEP
    }
}

void DownLoadCore::WriteProperties(PropertyBag& bag) const {
    for (int order = 1; order <= kSavedPropertyCount; ++order) {
#define PATCHWELL_DOWNLOAD_SAVED_STEP(Type, Name, SavedKey)                        \
    bag.WriteProperty(QLatin1String(SavedKey), QVariant::fromValue<Type>(d->Name), \
                      QVariant::fromValue<Type>(Default##Name()));
        PATCHWELL_DOWNLOAD_WRITE_PROPERTIES(PATCHWELL_DOWNLOAD_FOR_SAVED)
#undef PATCHWELL_DOWNLOAD_SAVED_STEP
    }
}
#undef PATCHWELL_DOWNLOAD_FOR_SAVED

void DownLoadCore::setSite(ControlSite* site) {
    d->site = site;
}

bool DownLoadCore::CheckConnection() {
    const ConnectionStatus status = d->env->QueryConnection(d->Url);
    if ((status.flags & ConnectionStatus::kModem) != 0) {
        Q_EMIT ConnectionState(Text(texts::kViaModem));
    }
    if ((status.flags & ConnectionStatus::kLan) != 0) {
        Q_EMIT ConnectionState(Text(texts::kViaLan));
    }
    if ((status.flags & ConnectionStatus::kProxy) != 0) {
        Q_EMIT ConnectionState(Text(texts::kViaProxy));
    }
    return status.online;
}

void DownLoadCore::GetFileInformation() {
    d->CCancel = false;
    if (d->OnlineCheck) {
        if (!CheckConnection()) {
            d->env->Dialogs().MessageBox(Text(texts::kOfflineNotice), QString(), MessageButtons::Ok,
                                         MessageIcon::None);
            d->Connected = false;
            NoConnectionEnd(false);
            return;
        }
        d->Connected = true;
    }

    try {
        InetTransfer& transfer = d->transfer();
        transfer.SetURL(d->Url.toStdString());
        transfer.Execute("GET");
        Q_EMIT StatusChange(Text(texts::kInitiating));
        while (transfer.StillExecuting()) {
            d->env->ProcessEvents();
        }
        Q_EMIT StatusChange(Text(texts::kAccepted));
        if (d->CCancel) {
            ProbeCancelled();
            return;
        }
        // The status as the HTTP library read it, so that what this probe
        // accepts is what the transfer will read.
        const int status = transfer.StatusCode();
        if (const Refusal* refusal = RefusalFor(status)) {
            ProbeRefused(*refusal, status);
            return;
        }
        if (d->CCancel) {
            ProbeCancelled();
            return;
        }
        if (AnswersInHttp11(transfer.GetHeader())) {
            d->ResumeSupported = true;
        }
        d->FileExists = true;
        d->startTime = static_cast<float>(d->env->TimeOfDay()) - 1.0f;
        d->validator = http::StrongValidator(transfer.GetHeader());
        d->FileSize = AnnouncedLength(transfer);
        Q_EMIT StatusChange(Text(texts::kInformationComplete));
    } catch (const std::exception&) {
        Q_EMIT DLError(ErrorText(ErrorCode::HeadersFailed));
        Q_EMIT StatusChange(Text(texts::kHeadersFailedStatus));
        Q_EMIT DLECode(Number(ErrorCode::HeadersFailed));
    }
}

void DownLoadCore::ProbeRefused(const Refusal& refusal, int status) {
    const qint32 code = refusal.code ? Number(*refusal.code) : status;
    const QString errorText = refusal.code ? ErrorText(*refusal.code) : Text(texts::kServerError);
    if (refusal.errorFirst) {
        Q_EMIT DLError(errorText);
        Q_EMIT StatusChange(Text(refusal.statusText));
        Q_EMIT DLECode(code);
    } else {
        Q_EMIT StatusChange(Text(refusal.statusText));
        Q_EMIT DLECode(code);
        Q_EMIT DLError(errorText);
    }
    if (refusal.clearsResume) {
        d->ResumeSupported = false;
    }
    d->FileExists = refusal.fileExists;
    d->FileSize = 0;
    d->validator.clear();
    d->cancelRequest();
}

void DownLoadCore::ProbeCancelled() {
    d->CCancel = false;
    Q_EMIT DLECode(Number(ErrorCode::Cancelled));
    Q_EMIT StatusChange(Text(texts::kProbeCancelled));
}

void DownLoadCore::NoConnectionEnd(bool cancelRequest) {
    Q_EMIT DLECode(Number(ErrorCode::NoConnection));
    Q_EMIT DLError(ErrorText(ErrorCode::NoConnection));
    Q_EMIT StatusChange(Text(texts::kNoConnectionStatus));
    if (cancelRequest) {
        d->cancelRequest();
    }
}

void DownLoadCore::TransferSucceeded(InetTransfer& transfer) {
    d->file.Close();
    d->InDL = false;
    Q_EMIT DLComplete();
    Q_EMIT StatusChange(Text(texts::kSuccessful));
    transfer.Cancel();
}

void DownLoadCore::TransferCancelledEnd() {
    d->CCancel = false;
    d->file.Close();
    Q_EMIT DLECode(Number(ErrorCode::Cancelled));
    Q_EMIT StatusChange(Text(texts::kCancelled));
}

void DownLoadCore::TransferFailed() {
    d->file.CloseQuietly();
    Q_EMIT DLError(ErrorText(ErrorCode::TransferFailed, d->Url));
    Q_EMIT StatusChange(Text(texts::kAbortedStatus));
    Q_EMIT DLECode(Number(ErrorCode::TransferFailed));
    d->cancelRequest();
}

void DownLoadCore::ResumeRefused(ErrorCode code, const char* statusText) {
    Q_EMIT DLError(ErrorText(code));
    Q_EMIT DLECode(Number(code));
    Q_EMIT StatusChange(Text(statusText));
}

QString DownLoadCore::SettleOverwrite(const QString& target) {
    DownLoadDialogs& dialogs = d->env->Dialogs();
    if (dialogs.MessageBox(texts::English(texts::kOverwrite, target), Text(texts::kOverwriteTitle),
                           MessageButtons::YesNo, MessageIcon::Information) == MessageAnswer::Yes) {
        FileSink::Remove(target);
        return target;
    }
    const QString blank = QStringLiteral(" ");
    for (;;) {
        const QString answer =
            dialogs.InputBox(Text(texts::kNewFilePrompt), Text(texts::kNewFileTitle), target);
        if (!(answer > blank)) {
            dialogs.MessageBox(Text(texts::kNoFile), Text(texts::kNoFileTitle), MessageButtons::Ok,
                               MessageIcon::Exclamation);
            continue;
        }
        if (answer == target) {
            if (dialogs.MessageBox(Text(texts::kSameFile), Text(texts::kSameFileTitle),
                                   MessageButtons::YesNo,
                                   MessageIcon::Stop) == MessageAnswer::Yes) {
                continue;
            }
            return target;
        }
        return answer;
    }
}

void DownLoadCore::OpenTarget(const QString& path, bool truncate, qint64 position) {
    d->file.Open(path, truncate);
    d->file.Seek(position);
    d->targetFile = path;
    Q_EMIT StatusChange(texts::English(texts::kOpening, path));
    d->InDL = true;
}

bool DownLoadCore::ChunkLoop(qint32 chunkSize, qint64 alreadyInFile, const char* statusText) {
    d->textsValid = false;
    qint64 total = 0;
    qint64 inFile = alreadyInFile;
    const QString status = Text(statusText);  // made once, not once per chunk
    for (;;) {
        if (d->CCancel) {
            TransferCancelledEnd();
            return false;
        }
        if (chunkSize <= 0) {
            throw std::runtime_error("a chunk size of 0 or below");
        }
        std::string_view chunk;
        try {
            chunk = d->transfer().GetChunk(static_cast<std::size_t>(chunkSize));
        } catch (const TransferCancelled&) {
            // A cancel during the wait before another attempt at a broken body.
            TransferCancelledEnd();
            return false;
        }
        const std::size_t length = chunk.size();
        d->file.Write(chunk);
        total = AddChecked(total, static_cast<qint64>(length));
        d->bytesDone = total;
        inFile = AddChecked(alreadyInFile, total);
        const float now = static_cast<float>(d->env->TimeOfDay());
        d->bytesPerSec = DivideSingle(total, now - d->startTime);
        d->secondsLeft = DivideSingle(
            static_cast<double>(d->FileSize) - static_cast<double>(inFile), d->bytesPerSec);
        Q_EMIT Rate(d->rateTextFor(d->bytesPerSec));
        Q_EMIT TimeLeft(d->timeTextFor(d->secondsLeft));
        d->textsValid = true;
        Q_EMIT RecievedBytes(inFile);
        if (inFile > d->FileSize) {
            throw ArithmeticError("more bytes than the server announced");
        }
        Q_EMIT Percent(PercentOf(inFile, d->FileSize));
        Q_EMIT StatusChange(status);
        while (d->CPause) {
            d->env->ProcessEvents();
            Q_EMIT StatusChange(Text(texts::kPaused));
            if (d->CPause) {
                d->env->Sleep(kPausePassMs);
            }
        }
        // The body ends with an empty chunk or with a single byte, which can
        // only be its last; with a chunk size of 1 every chunk is a single
        // byte, and only the empty chunk ends the body.
        if (length == 0 || (length == 1 && chunkSize > 1)) {
            break;
        }
    }
    // Only the whole file is a success.
    if (inFile != d->FileSize) {
        throw ArithmeticError("the body does not have the announced length");
    }
    return true;
}

void DownLoadCore::RunTransfer(
    const std::function<std::optional<ChunkStart>(InetTransfer&)>& open) {
    if (d->CCancel) {
        return;
    }
    if (d->OnlineCheck && !d->Connected) {
        NoConnectionEnd(true);
        return;
    }
    try {
        InetTransfer& transfer = d->transfer();
        transfer.SetURL(d->Url.toStdString());
        // The chunk size as it was when the transfer began, whatever the
        // host sets while a dialog of `open` is up.
        const qint32 chunkSize = d->CHUNK;
        const std::optional<ChunkStart> start = open(transfer);
        if (start && ChunkLoop(chunkSize, start->alreadyInFile, start->statusText)) {
            TransferSucceeded(transfer);
        }
    } catch (const std::exception&) {
        TransferFailed();
    }
}

void DownLoadCore::download() {
    RunTransfer([this](InetTransfer& transfer) -> std::optional<ChunkStart> {
        QString target = d->SaveLocation;
        // Only a plain 200 answer whose length (when it states one) is the
        // announced one is the file; nothing is touched otherwise.
        if (transfer.StatusCode() != 200) {
            throw TransferError("the answer is not the file");
        }
        const std::int64_t length = transfer.ContentLength();
        if (length >= 0 && length != d->FileSize) {
            throw TransferError("the answer is not the announced file");
        }
        if (d->KeepType) {
            target = PreserveExtension(d->Url, target);
        }
        if (FileSink::Exists(target)) {
            if (d->PromptOverwrite) {
                target = SettleOverwrite(target);
            } else {
                FileSink::Remove(target);
            }
        }
        // A file kept at the prompt is written over: truncating it on open
        // leaves no tail of its older content behind the new body.
        OpenTarget(target, true, 0);
        return ChunkStart{0, texts::kReceiving};
    });
}

void DownLoadCore::DLResume() {
    RunTransfer([this](InetTransfer& transfer) -> std::optional<ChunkStart> {
        const QString path = d->SaveLocation;
        if (!FileSink::Exists(path)) {
            ResumeRefused(ErrorCode::ResumeFileMissing, texts::kResumeFileMissingStatus);
            return std::nullopt;
        }
        if (!d->ResumeSupported) {
            ResumeRefused(ErrorCode::ResumeUnsupported, texts::kResumeUnsupportedStatus);
            return std::nullopt;
        }
        const qint64 existing = FileSink::Length(path);
        std::string headers = "Range: bytes=" + std::to_string(existing) + "-\r\n";
        if (!d->validator.empty()) {
            // A file changed since the probe comes whole (200) instead of a
            // range that would not fit the bytes we have.
            headers += "If-Range: " + d->validator + "\r\n";
        }
        transfer.Execute("GET", headers);
        while (transfer.StillExecuting()) {
            d->env->ProcessEvents();
        }

        // Only the rest of the announced file is appended, and only the whole
        // announced file replaces it; anything else leaves the file alone.
        const int status = transfer.StatusCode();
        qint64 alreadyInFile = 0;
        if (status == 206 && http::RangeCarries(transfer.GetHeader("Content-Range"), existing,
                                                d->FileSize, d->FileSize)) {
            alreadyInFile = existing;
        } else if (status != 200 || transfer.ContentLength() != d->FileSize) {
            throw TransferError("the range request was not answered with the missing bytes");
        }
        OpenTarget(path, alreadyInFile == 0, alreadyInFile);
        return ChunkStart{alreadyInFile, texts::kReceivingResumed};
    });
}

void DownLoadCore::Cancel() {
    d->CCancel = true;
    Q_EMIT StatusChange(Text(texts::kCancelling));
}

void DownLoadCore::Pause(bool blnPause) {
    d->CPause = blnPause;
    if (!blnPause) {
        Q_EMIT StatusChange(Text(texts::kUnpausing));
    }
}

}  // namespace patchwell::download
