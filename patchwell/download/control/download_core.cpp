#include "download_core.h"

#include <cctype>
#include <limits>
#include <stdexcept>
#include <string>

#include "download_environment.h"
#include "file_sink.h"
#include "inet_transfer.h"
#include "progress_format.h"

namespace patchwell::download {

namespace {

// Passes of the pause wait are this far apart, so a paused transfer raises
// about 25 "Paused." texts a second and uses no processor meanwhile.
constexpr int kPausePassMs = 40;

const QString& StatusReceiving() {
    static const QString text = QStringLiteral("Recieving File");
    return text;
}

const QString& StatusReceivingResumed() {
    static const QString text = QStringLiteral("Recieving File, Inputting DATA to File.");
    return text;
}

std::string Trimmed(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])) != 0) {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])) != 0) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// The validator that guards a later range request: a strong ETag, else the
// Last-Modified date (a weak tag may not guard a range). A value with
// control characters is not sent back at all.
std::string RangeValidator(InetTransfer& transfer) {
    const std::string etag = Trimmed(transfer.GetHeader("ETag"));
    std::string validator = !etag.empty() && etag.rfind("W/", 0) != 0
                                ? etag
                                : Trimmed(transfer.GetHeader("Last-Modified"));
    for (const char c : validator) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            return {};
        }
    }
    return validator;
}

// Plain decimal digits that fit in 32 bits; anything else fails the probe.
qint32 ParseContentLength(const std::string& value) {
    const std::string text = Trimmed(value);
    if (text.empty() || text.size() > 10) {
        throw ArithmeticError("no usable Content-Length");
    }
    qint64 number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            throw ArithmeticError("no usable Content-Length");
        }
        number = number * 10 + (c - '0');
    }
    if (number > std::numeric_limits<qint32>::max()) {
        throw ArithmeticError("overflow");
    }
    return static_cast<qint32>(number);
}

// True when a "Content-Range" value ("bytes 1000-2999/3000") starts at `start`.
bool ContentRangeStartsAt(const std::string& value, qint64 start) {
    const std::string text = Trimmed(value);
    const std::string unit = "bytes ";
    if (text.size() <= unit.size()) {
        return false;
    }
    for (std::size_t i = 0; i < unit.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != unit[i]) {
            return false;
        }
    }
    std::size_t pos = unit.size();
    while (pos < text.size() && text[pos] == ' ') {
        ++pos;
    }
    const std::string expected = std::to_string(start) + "-";
    return text.compare(pos, expected.size(), expected) == 0;
}

// The status line's version (characters 6 to 8) and code (characters 10 to 12).
QString HeaderPart(const std::string& header, std::size_t from, std::size_t length) {
    if (header.size() <= from) {
        return QString();
    }
    return QString::fromLatin1(header.substr(from, length));
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
    QString url = DownLoadCore::DefaultUrl();
    qint32 chunk = DownLoadCore::kDefaultChunk;
    QString saveLocation = DownLoadCore::DefaultSaveLocation();

    qint32 bytesDone = 0;
    float startTime = 0;
    float bytesPerSec = 0;
    float secondsLeft = 0;
    // The last probe's RangeValidator().
    std::string validator;

    FileSink file;
    QString targetFile;
    bool textsValid = false;
    RateKey rateKey;
    QString rateText;
    TimeLeftKey timeKey;
    QString timeText;

    InetTransfer& transfer() {
        if (!i1) {
            i1 = env->CreateTransfer();
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
    const qsizetype urlDot = url.indexOf(QLatin1Char('.'), url.size() - 6);
    const QString extension = urlDot >= 0 ? url.mid(urlDot + 1) : url;
    const qsizetype saveDot = saveLocation.indexOf(QLatin1Char('.'), saveLocation.size() - 6);
    const QString stem = saveDot >= 0 ? saveLocation.left(saveDot + 1) : QString();
    return stem + extension;
}

bool DownLoadCore::CheckConnection() {
    const ConnectionStatus status = d->env->QueryConnection();
    if ((status.flags & ConnectionStatus::kModem) != 0) {
        Q_EMIT ConnectionState(QStringLiteral("Connected Via Modem."));
    }
    if ((status.flags & ConnectionStatus::kLan) != 0) {
        Q_EMIT ConnectionState(QStringLiteral("Connected Via LAN."));
    }
    if ((status.flags & ConnectionStatus::kProxy) != 0) {
        Q_EMIT ConnectionState(QStringLiteral("Connected Through A Proxy."));
    }
    return status.online;
}

void DownLoadCore::GetFileInformation() {
    if (d->cCancel) {
        d->cCancel = false;
    }
    if (d->onlineCheck) {
        if (!CheckConnection()) {
            d->env->Dialogs().MessageBox(
                QStringLiteral("You are not currently connected to the internet!\r\n"
                               "The download will be aborted!"),
                QString(), MessageButtons::Ok, MessageIcon::None);
            d->connected = false;
            Q_EMIT DLECode(5);
            Q_EMIT DLError(QStringLiteral("No Connection Found!"));
            Q_EMIT StatusChange(QStringLiteral("Download aborted, no connection present!"));
            return;
        }
        d->connected = true;
    }

    try {
        InetTransfer& transfer = d->transfer();
        transfer.SetURL(d->url.toStdString());
        transfer.Execute("GET");
        Q_EMIT StatusChange(QStringLiteral("Initiating Connection."));
        while (transfer.StillExecuting()) {
            d->env->ProcessEvents();
        }
        Q_EMIT StatusChange(QStringLiteral("Connection Accepted, Retrieving File Information."));
        if (d->cCancel) {
            ProbeCancelled();
            return;
        }

        const std::string header = transfer.GetHeader();
        const QString code = HeaderPart(header, 9, 3);
        if (code == QStringLiteral("401")) {
            Q_EMIT StatusChange(QStringLiteral("Unauthorized Access, Download Terminated!"));
            Q_EMIT DLECode(401);
            Q_EMIT DLError(QStringLiteral("Unauthorized Access!"));
            d->resumeSupported = false;
            transfer.Cancel();
            d->fileExists = true;
            d->fileSize = 0;
            d->validator.clear();
            return;
        }
        if (code == QStringLiteral("403")) {
            Q_EMIT StatusChange(QStringLiteral("Access Denied, Download Terminated!"));
            Q_EMIT DLECode(403);
            Q_EMIT DLError(QStringLiteral("Access Denied!"));
            d->resumeSupported = false;
            d->fileExists = true;
            d->fileSize = 0;
            d->validator.clear();
            transfer.Cancel();
            return;
        }
        if (code == QStringLiteral("404")) {
            Q_EMIT DLError(QStringLiteral("File Not Found!"));
            Q_EMIT StatusChange(QStringLiteral("File Not Found!"));
            Q_EMIT DLECode(2);
            d->fileExists = false;
            d->fileSize = 0;
            d->validator.clear();
            transfer.Cancel();
            return;
        }
        bool numeric = false;
        const int status = code.toInt(&numeric);
        if (numeric && status >= 400) {
            // Any other client or server error: the body is an error page,
            // never the file, so the transfer must not be offered.
            Q_EMIT StatusChange(QStringLiteral("Server Error, Download Terminated!"));
            Q_EMIT DLECode(status);
            Q_EMIT DLError(QStringLiteral("Server Error!"));
            d->fileExists = false;
            d->fileSize = 0;
            d->validator.clear();
            transfer.Cancel();
            return;
        }
        if (d->cCancel) {
            ProbeCancelled();
            return;
        }
        if (HeaderPart(header, 5, 3) == QStringLiteral("1.1")) {
            d->resumeSupported = true;
        }
        d->fileExists = true;
        d->startTime = static_cast<float>(d->env->TimeOfDay()) - 1.0f;
        d->validator = RangeValidator(transfer);
        d->fileSize = ParseContentLength(transfer.GetHeader("Content-Length"));
        Q_EMIT StatusChange(QStringLiteral("Retrieving File Information Complete!"));
    } catch (const std::exception&) {
        Q_EMIT DLError(QStringLiteral("Error Reading File Headers."));
        Q_EMIT StatusChange(QStringLiteral("Error Reading File Headers!"));
        Q_EMIT DLECode(3);
    }
}

void DownLoadCore::ProbeCancelled() {
    d->cCancel = false;
    Q_EMIT DLECode(4);
    Q_EMIT StatusChange(QStringLiteral("cancelled."));
}

void DownLoadCore::NoConnectionEnd() {
    Q_EMIT DLECode(5);
    Q_EMIT DLError(QStringLiteral("No Connection Found!"));
    Q_EMIT StatusChange(QStringLiteral("Download aborted, no connection present!"));
    d->cancelRequest();
}

void DownLoadCore::TransferSucceeded(InetTransfer& transfer) {
    d->file.Close();
    d->inDL = false;
    Q_EMIT DLComplete();
    Q_EMIT StatusChange(QStringLiteral("Download Successful!"));
    transfer.Cancel();
}

void DownLoadCore::TransferFailed() {
    d->file.CloseQuietly();
    Q_EMIT DLError(QStringLiteral("Error Downloading File from : ") + d->url);
    Q_EMIT StatusChange(QStringLiteral("Download Aborted Due To Error In Download!"));
    Q_EMIT DLECode(1);
    d->cancelRequest();
}

QString DownLoadCore::SettleOverwrite(const QString& target) {
    DownLoadDialogs& dialogs = d->env->Dialogs();
    if (dialogs.MessageBox(QStringLiteral("Would you like to overwrite the file at: ") + target +
                               QStringLiteral(" ?"),
                           QStringLiteral("Overwrite?"), MessageButtons::YesNo,
                           MessageIcon::Information) == MessageAnswer::Yes) {
        FileSink::Remove(target);
        return target;
    }
    const QString blank = QStringLiteral(" ");
    for (;;) {
        const QString answer = dialogs.InputBox(
            QStringLiteral("Please type in a new file path and name.\r\nExample: C:\\File2.txt"),
            QStringLiteral("New File..."), target);
        if (!(answer > blank)) {
            dialogs.MessageBox(QStringLiteral("You didn't specify a file!"),
                               QStringLiteral("Error!"), MessageButtons::Ok,
                               MessageIcon::Exclamation);
            continue;
        }
        if (answer == target) {
            if (dialogs.MessageBox(QStringLiteral("You typed in the same file! Would you like "
                                                  "type in a different file?"),
                                   QStringLiteral("Try Again?"), MessageButtons::YesNo,
                                   MessageIcon::Stop) == MessageAnswer::Yes) {
                continue;
            }
            return target;
        }
        return answer;
    }
}

bool DownLoadCore::ChunkLoop(qint32 chunkSize, qint32 alreadyInFile, const QString& statusText) {
    d->textsValid = false;
    qint32 total = 0;
    for (;;) {
        if (d->cCancel) {
            d->cCancel = false;
            d->file.Close();
            Q_EMIT DLECode(4);
            Q_EMIT StatusChange(QStringLiteral("Cancelled."));
            return false;
        }
        if (chunkSize <= 0) {
            throw std::runtime_error("a chunk size of 0 or below");
        }
        const std::string_view chunk = d->transfer().GetChunk(static_cast<std::size_t>(chunkSize));
        const std::size_t length = chunk.size();
        d->file.Write(chunk);
        total = AddChecked(total, static_cast<qint64>(length));
        d->bytesDone = total;
        const qint32 inFile = AddChecked(alreadyInFile, total);
        const float now = static_cast<float>(d->env->TimeOfDay());
        d->bytesPerSec = DivideSingle(total, now - d->startTime);
        d->secondsLeft = DivideSingle(
            static_cast<double>(d->fileSize) - static_cast<double>(inFile), d->bytesPerSec);
        Q_EMIT Rate(d->rateTextFor(d->bytesPerSec));
        Q_EMIT TimeLeft(d->timeTextFor(d->secondsLeft));
        d->textsValid = true;
        Q_EMIT RecievedBytes(inFile);
        Q_EMIT Percent(PercentOf(inFile, d->fileSize));
        Q_EMIT StatusChange(statusText);
        while (d->cPause) {
            d->env->ProcessEvents();
            Q_EMIT StatusChange(QStringLiteral("Paused."));
            if (d->cPause) {
                d->env->Sleep(kPausePassMs);
            }
        }
        // The body ends with an empty chunk or with a single byte, which can
        // only be its last; with a chunk size of 1 every chunk is a single
        // byte, and only the empty chunk ends the body.
        if (length == 0 || (length == 1 && chunkSize > 1)) {
            return true;
        }
    }
}

void DownLoadCore::download() {
    if (d->cCancel) {
        return;
    }
    if (d->onlineCheck && !d->connected) {
        NoConnectionEnd();
        return;
    }
    try {
        InetTransfer& transfer = d->transfer();
        transfer.SetURL(d->url.toStdString());
        const qint32 chunkSize = d->chunk;
        QString target = d->saveLocation;
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
        d->targetFile = target;
        d->file.Open(target, true);
        Q_EMIT StatusChange(QStringLiteral("Opening ") + target +
                            QStringLiteral(" For DATA Input."));
        d->inDL = true;
        if (ChunkLoop(chunkSize, 0, StatusReceiving())) {
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
        NoConnectionEnd();
        return;
    }
    try {
        InetTransfer& transfer = d->transfer();
        transfer.SetURL(d->url.toStdString());
        const qint32 chunkSize = d->chunk;
        const QString path = d->saveLocation;
        if (!FileSink::Exists(path)) {
            Q_EMIT DLError(QStringLiteral("Resume File Not Found!"));
            Q_EMIT DLECode(6);
            Q_EMIT StatusChange(QStringLiteral("Resume File Not Found, Aborting Download!"));
            return;
        }
        if (!d->resumeSupported) {
            Q_EMIT DLError(QStringLiteral("Resume Not Supported!"));
            Q_EMIT DLECode(7);
            Q_EMIT StatusChange(QStringLiteral("Resume NotSupported, Aborting Download!"));
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

        // Only a range that starts right after our bytes may be appended; a
        // whole body replaces the file; anything else leaves it alone.
        const std::string header = transfer.GetHeader();
        const QString code = HeaderPart(header, 9, 3);
        qint32 alreadyInFile = 0;
        if (code == QStringLiteral("206") &&
            ContentRangeStartsAt(transfer.GetHeader("Content-Range"), existing)) {
            alreadyInFile = existing;
        } else if (code != QStringLiteral("200")) {
            throw TransferError("the range request was not answered with the missing bytes");
        }

        d->targetFile = path;
        d->file.Open(path, alreadyInFile == 0);
        d->file.Seek(alreadyInFile);
        Q_EMIT StatusChange(QStringLiteral("Opening ") + path + QStringLiteral(" For DATA Input."));
        d->inDL = true;
        if (ChunkLoop(chunkSize, alreadyInFile, StatusReceivingResumed())) {
            TransferSucceeded(transfer);
        }
    } catch (const std::exception&) {
        TransferFailed();
    }
}

void DownLoadCore::Cancel() {
    d->cCancel = true;
    Q_EMIT StatusChange(QStringLiteral("Cancelling.."));
}

void DownLoadCore::Pause(bool blnPause) {
    d->cPause = blnPause;
    if (!blnPause) {
        Q_EMIT StatusChange(QStringLiteral("Unpausing"));
    }
}

}  // namespace patchwell::download
