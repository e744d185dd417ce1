#include "download_core.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

#include "download_environment.h"
#include "download_texts.h"
#include "file_sink.h"
#include "http_headers.h"
#include "inet_transfer.h"
#include "progress_format.h"
#include "text.h"

namespace patchwell::download {

// A status that ends the probe: its texts, its code and what it tells.
struct Refusal {
    int status;  // 0: any other status from 400 on
    const char* statusText;
    qint32 code;  // 0: the status itself
    const char* errorText;
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

// The announced length as the transfer component reads it; none, or one that
// does not fit in 32 bits, fails the probe.
qint32 AnnouncedLength(InetTransfer& transfer) {
    const std::int64_t length = transfer.ContentLength();
    if (length < 0) {
        throw ArithmeticError("no usable Content-Length");
    }
    if (length > std::numeric_limits<qint32>::max()) {
        throw ArithmeticError("overflow");
    }
    return static_cast<qint32>(length);
}

constexpr Refusal kRefusals[] = {
    {401, texts::kUnauthorizedStatus, 401, texts::kUnauthorized, false, true, true},
    {403, texts::kDeniedStatus, 403, texts::kDenied, false, true, true},
    {404, texts::kNotFound, 2, texts::kNotFound, true, false, false},
    // Any other client or server error: the body is an error page, never
    // the file, so the transfer must not be offered.
    {0, texts::kServerErrorStatus, 0, texts::kServerError, false, false, false},
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
    const auto line = text::ParseStatusLine(std::string_view(header).substr(0, header.find('\n')));
    return line && line->major == 1 && line->minor == 1;
}

}  // namespace

struct DownLoadCore::Private {
    std::shared_ptr<DownLoadEnvironment> env;
    std::unique_ptr<InetTransfer> i1;  // after env: it calls back into it
    ControlSite* site = nullptr;

    bool inDL = false;
    bool cPause = false;
    bool cCancel = false;
    qint32 rollback = 0;
    bool resumeSupported = false;
    bool connected = false;
    bool promptOverwrite = false;
    bool onlineCheck = false;
    bool keepType = false;
    bool fileExists = false;
    qint32 fileSize = 0;
    QString targetFile;
    QString url = DownLoadCore::DefaultUrl();
    qint32 chunk = DownLoadCore::kDefaultChunk;
    QString saveLocation = DownLoadCore::DefaultSaveLocation();

    qint32 bytesDone = 0;
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
            i1->SetCancelCheck([this] { return cCancel; });
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

QString DownLoadCore::DefaultUrl() {
    return QStringLiteral("http://127.0.0.1/File1.tmp");
}
QString DownLoadCore::DefaultSaveLocation() {
    return QStringLiteral("C:\\File1.tmp");
}

bool DownLoadCore::InDL() const {
    return d->inDL;
}
bool DownLoadCore::AResume() const {
    return d->resumeSupported;
}
bool DownLoadCore::CPause() const {
    return d->cPause;
}
bool DownLoadCore::CCancel() const {
    return d->cCancel;
}
qint32 DownLoadCore::ROLLBACK() const {
    return d->rollback;
}
bool DownLoadCore::ResumeSupported() const {
    return d->resumeSupported;
}
bool DownLoadCore::Connected() const {
    return d->connected;
}
bool DownLoadCore::PromptOverwrite() const {
    return d->promptOverwrite;
}
bool DownLoadCore::OnlineCheck() const {
    return d->onlineCheck;
}
bool DownLoadCore::KeepType() const {
    return d->keepType;
}
bool DownLoadCore::FileExists() const {
    return d->fileExists;
}
qint32 DownLoadCore::FileSize() const {
    return d->fileSize;
}
QString DownLoadCore::Url() const {
    return d->url;
}
qint32 DownLoadCore::CHUNK() const {
    return d->chunk;
}
QString DownLoadCore::SaveLocation() const {
    return d->saveLocation;
}
QString DownLoadCore::TargetFile() const {
    return d->targetFile;
}

void DownLoadCore::setROLLBACK(qint32 lnumBYTES) {
    d->rollback = lnumBYTES;
    d->changed("ROLLBACK");
}

void DownLoadCore::setPromptOverwrite(bool DoPrompt) {
    d->promptOverwrite = DoPrompt;
    d->changed("PromptOverwrite");
}

void DownLoadCore::setOnlineCheck(bool DoCheck) {
    d->onlineCheck = DoCheck;
    d->changed("OnlineCheck");
}

void DownLoadCore::setKeepType(bool IsKeep) {
    d->keepType = IsKeep;
    d->changed("KeepType");
}

void DownLoadCore::setUrl(const QString& New_Url) {
    d->url = New_Url;
    d->changed("Url");
}

void DownLoadCore::setCHUNK(qint32 New_CHUNK) {
    d->chunk = New_CHUNK;
    d->changed("CHUNK");
}

void DownLoadCore::setSaveLocation(const QString& New_Location) {
    d->saveLocation = New_Location;
    d->changed("SaveLocation");
}

void DownLoadCore::InitProperties() {
    d->url = DefaultUrl();
    d->chunk = kDefaultChunk;
    d->saveLocation = DefaultSaveLocation();
}

void DownLoadCore::ReadProperties(const PropertyBag& bag) {
    d->url = bag.ReadProperty(QStringLiteral("URL"), DefaultUrl()).toString();
    d->chunk = bag.ReadProperty(QStringLiteral("CHUNK"), kDefaultChunk).toInt();
    d->saveLocation =
        bag.ReadProperty(QStringLiteral("SaveLocation"), DefaultSaveLocation()).toString();
    d->keepType = bag.ReadProperty(QStringLiteral("KeepType"), false).toBool();
    d->onlineCheck = bag.ReadProperty(QStringLiteral("OnlineCheck"), false).toBool();
    d->promptOverwrite = bag.ReadProperty(QStringLiteral("PromptOverwrite"), false).toBool();
}

void DownLoadCore::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty(QStringLiteral("URL"), d->url, DefaultUrl());
    bag.WriteProperty(QStringLiteral("CHUNK"), d->chunk, kDefaultChunk);
    bag.WriteProperty(QStringLiteral("SaveLocation"), d->saveLocation, DefaultSaveLocation());
    bag.WriteProperty(QStringLiteral("KeepType"), d->keepType, false);
    bag.WriteProperty(QStringLiteral("OnlineCheck"), d->onlineCheck, false);
    bag.WriteProperty(QStringLiteral("PromptOverwrite"), d->promptOverwrite, false);
}

void DownLoadCore::setSite(ControlSite* site) {
    d->site = site;
}

QString DownLoadCore::PreserveExtension(const QString& url, const QString& saveLocation) {
    if (url.size() < 6 || saveLocation.size() < 6) {
        throw std::runtime_error("a path too short to carry an extension");
    }
    // No dot near the end of the address, or one that belongs to a folder, a
    // query or a fragment ("/", "\", "?", "#" after it): no extension, and
    // the save location stays as it is.
    const qsizetype urlDot = url.indexOf(QLatin1Char('.'), url.size() - 6);
    const QString extension = urlDot >= 0 ? url.mid(urlDot + 1) : url;
    for (const QChar c :
         {QLatin1Char('/'), QLatin1Char('\\'), QLatin1Char('?'), QLatin1Char('#')}) {
        if (extension.contains(c)) {
            return saveLocation;
        }
    }
    // Without a dot near its end the save location keeps its whole name.
    const qsizetype saveDot = saveLocation.indexOf(QLatin1Char('.'), saveLocation.size() - 6);
    const QString stem =
        saveDot >= 0 ? saveLocation.left(saveDot + 1) : saveLocation + QLatin1Char('.');
    return stem + extension;
}

bool DownLoadCore::CheckConnection() {
    const ConnectionStatus status = d->env->QueryConnection();
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
    d->cCancel = false;
    if (d->onlineCheck) {
        if (!CheckConnection()) {
            d->env->Dialogs().MessageBox(Text(texts::kOfflineNotice), QString(), MessageButtons::Ok,
                                         MessageIcon::None);
            d->connected = false;
            NoConnectionEnd(false);
            return;
        }
        d->connected = true;
    }

    try {
        InetTransfer& transfer = d->transfer();
        transfer.SetURL(d->url.toStdString());
        transfer.Execute("GET");
        Q_EMIT StatusChange(Text(texts::kInitiating));
        while (transfer.StillExecuting()) {
            d->env->ProcessEvents();
        }
        Q_EMIT StatusChange(Text(texts::kAccepted));
        if (d->cCancel) {
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
        if (d->cCancel) {
            ProbeCancelled();
            return;
        }
        if (AnswersInHttp11(transfer.GetHeader())) {
            d->resumeSupported = true;
        }
        d->fileExists = true;
        d->startTime = static_cast<float>(d->env->TimeOfDay()) - 1.0f;
        d->validator = http::StrongValidator(transfer.GetHeader());
        d->fileSize = AnnouncedLength(transfer);
        Q_EMIT StatusChange(Text(texts::kInformationComplete));
    } catch (const std::exception&) {
        Q_EMIT DLError(Text(texts::kHeadersFailed));
        Q_EMIT StatusChange(Text(texts::kHeadersFailedStatus));
        Q_EMIT DLECode(3);
    }
}

void DownLoadCore::ProbeRefused(const Refusal& refusal, int status) {
    const qint32 code = refusal.code != 0 ? refusal.code : status;
    if (refusal.errorFirst) {
        Q_EMIT DLError(Text(refusal.errorText));
        Q_EMIT StatusChange(Text(refusal.statusText));
        Q_EMIT DLECode(code);
    } else {
        Q_EMIT StatusChange(Text(refusal.statusText));
        Q_EMIT DLECode(code);
        Q_EMIT DLError(Text(refusal.errorText));
    }
    if (refusal.clearsResume) {
        d->resumeSupported = false;
    }
    d->fileExists = refusal.fileExists;
    d->fileSize = 0;
    d->validator.clear();
    d->cancelRequest();
}

void DownLoadCore::ProbeCancelled() {
    d->cCancel = false;
    Q_EMIT DLECode(4);
    Q_EMIT StatusChange(Text(texts::kProbeCancelled));
}

void DownLoadCore::NoConnectionEnd(bool cancelRequest) {
    Q_EMIT DLECode(5);
    Q_EMIT DLError(Text(texts::kNoConnection));
    Q_EMIT StatusChange(Text(texts::kNoConnectionStatus));
    if (cancelRequest) {
        d->cancelRequest();
    }
}

void DownLoadCore::TransferSucceeded(InetTransfer& transfer) {
    d->file.Close();
    d->inDL = false;
    Q_EMIT DLComplete();
    Q_EMIT StatusChange(Text(texts::kSuccessful));
    transfer.Cancel();
}

void DownLoadCore::TransferCancelledEnd() {
    d->cCancel = false;
    d->file.Close();
    Q_EMIT DLECode(4);
    Q_EMIT StatusChange(Text(texts::kCancelled));
}

void DownLoadCore::TransferFailed() {
    d->file.CloseQuietly();
    Q_EMIT DLError(Text(texts::kDownloadFailedFrom) + d->url);
    Q_EMIT StatusChange(Text(texts::kAbortedStatus));
    Q_EMIT DLECode(1);
    d->cancelRequest();
}

QString DownLoadCore::SettleOverwrite(const QString& target) {
    DownLoadDialogs& dialogs = d->env->Dialogs();
    if (dialogs.MessageBox(Text(texts::kOverwriteBefore) + target + Text(texts::kOverwriteAfter),
                           Text(texts::kOverwriteTitle), MessageButtons::YesNo,
                           MessageIcon::Information) == MessageAnswer::Yes) {
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
    Q_EMIT StatusChange(Text(texts::kOpeningBefore) + path + Text(texts::kOpeningAfter));
    d->inDL = true;
}

bool DownLoadCore::ChunkLoop(qint32 chunkSize, qint32 alreadyInFile, const char* statusText) {
    d->textsValid = false;
    qint32 total = 0;
    qint32 inFile = alreadyInFile;
    const QString status = Text(statusText);  // made once, not once per chunk
    for (;;) {
        if (d->cCancel) {
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
            static_cast<double>(d->fileSize) - static_cast<double>(inFile), d->bytesPerSec);
        Q_EMIT Rate(d->rateTextFor(d->bytesPerSec));
        Q_EMIT TimeLeft(d->timeTextFor(d->secondsLeft));
        d->textsValid = true;
        Q_EMIT RecievedBytes(inFile);
        if (inFile > d->fileSize) {
            throw ArithmeticError("more bytes than the server announced");
        }
        Q_EMIT Percent(PercentOf(inFile, d->fileSize));
        Q_EMIT StatusChange(status);
        while (d->cPause) {
            d->env->ProcessEvents();
            Q_EMIT StatusChange(Text(texts::kPaused));
            if (d->cPause) {
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
    if (inFile != d->fileSize) {
        throw ArithmeticError("the body does not have the announced length");
    }
    return true;
}

void DownLoadCore::download() {
    if (d->cCancel) {
        return;
    }
    if (d->onlineCheck && !d->connected) {
        NoConnectionEnd(true);
        return;
    }
    try {
        InetTransfer& transfer = d->transfer();
        transfer.SetURL(d->url.toStdString());
        const qint32 chunkSize = d->chunk;
        QString target = d->saveLocation;
        // Only a plain 200 answer whose length (when it states one) is the
        // announced one is the file; nothing is touched otherwise.
        if (transfer.StatusCode() != 200) {
            throw TransferError("the answer is not the file");
        }
        const std::int64_t length = transfer.ContentLength();
        if (length >= 0 && length != d->fileSize) {
            throw TransferError("the answer is not the announced file");
        }
        if (d->keepType) {
            target = PreserveExtension(d->url, target);
        }
        if (FileSink::Exists(target)) {
            if (d->promptOverwrite) {
                target = SettleOverwrite(target);
            } else {
                FileSink::Remove(target);
            }
        }
        // A file kept at the prompt is written over: truncating it on open
        // leaves no tail of its older content behind the new body.
        OpenTarget(target, true, 0);
        if (ChunkLoop(chunkSize, 0, texts::kReceiving)) {
            TransferSucceeded(transfer);
        }
    } catch (const std::exception&) {
        TransferFailed();
    }
}

void DownLoadCore::DLResume() {
    if (d->cCancel) {
        return;
    }
    if (d->onlineCheck && !d->connected) {
        NoConnectionEnd(true);
        return;
    }
    try {
        InetTransfer& transfer = d->transfer();
        transfer.SetURL(d->url.toStdString());
        const qint32 chunkSize = d->chunk;
        const QString path = d->saveLocation;
        if (!FileSink::Exists(path)) {
            Q_EMIT DLError(Text(texts::kResumeFileMissing));
            Q_EMIT DLECode(6);
            Q_EMIT StatusChange(Text(texts::kResumeFileMissingStatus));
            return;
        }
        if (!d->resumeSupported) {
            Q_EMIT DLError(Text(texts::kResumeUnsupported));
            Q_EMIT DLECode(7);
            Q_EMIT StatusChange(Text(texts::kResumeUnsupportedStatus));
            return;
        }
        const qint64 existingLength = FileSink::Length(path);
        if (existingLength > std::numeric_limits<qint32>::max()) {
            throw ArithmeticError("overflow");
        }
        const auto existing = static_cast<qint32>(existingLength);
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
        qint32 alreadyInFile = 0;
        if (status == 206 && http::RangeCarries(transfer.GetHeader("Content-Range"), existing,
                                                d->fileSize, d->fileSize)) {
            alreadyInFile = existing;
        } else if (status != 200 || transfer.ContentLength() != d->fileSize) {
            throw TransferError("the range request was not answered with the missing bytes");
        }
        OpenTarget(path, alreadyInFile == 0, alreadyInFile);
        if (ChunkLoop(chunkSize, alreadyInFile, texts::kReceivingResumed)) {
            TransferSucceeded(transfer);
        }
    } catch (const std::exception&) {
        TransferFailed();
    }
}

void DownLoadCore::Cancel() {
    d->cCancel = true;
    Q_EMIT StatusChange(Text(texts::kCancelling));
}

void DownLoadCore::Pause(bool blnPause) {
    d->cPause = blnPause;
    if (!blnPause) {
        Q_EMIT StatusChange(Text(texts::kUnpausing));
    }
}

}  // namespace patchwell::download
