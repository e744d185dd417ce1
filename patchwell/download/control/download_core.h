#pragma once

// The download control's logic, without any window: properties, the five
// methods and the nine events. The widget DownLoad (download.h) wraps one of
// these; the command-line front end uses one directly.
//
// Events are Qt signals raised synchronously from inside the methods, in the
// order the methods document; a handler runs to its end before the operation
// goes on.

#include <QObject>
#include <QString>

#include <memory>

#include "property_bag.h"

namespace patchwell::download {

class DownLoadEnvironment;  // clock, event hook, dialogs, network state, transfer factory
class InetTransfer;
struct Refusal;  // a status that ends the probe

class DownLoadCore : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool InDL READ InDL)
    Q_PROPERTY(bool AResume READ AResume)
    Q_PROPERTY(bool CPause READ CPause)
    Q_PROPERTY(bool CCancel READ CCancel)
    Q_PROPERTY(qint32 ROLLBACK READ ROLLBACK WRITE setROLLBACK)
    Q_PROPERTY(bool ResumeSupported READ ResumeSupported)
    Q_PROPERTY(bool Connected READ Connected)
    Q_PROPERTY(bool PromptOverwrite READ PromptOverwrite WRITE setPromptOverwrite)
    Q_PROPERTY(bool OnlineCheck READ OnlineCheck WRITE setOnlineCheck)
    Q_PROPERTY(bool KeepType READ KeepType WRITE setKeepType)
    Q_PROPERTY(bool FileExists READ FileExists)
    Q_PROPERTY(qint32 FileSize READ FileSize)
    Q_PROPERTY(QString Url READ Url WRITE setUrl)
    Q_PROPERTY(qint32 CHUNK READ CHUNK WRITE setCHUNK)
    Q_PROPERTY(QString SaveLocation READ SaveLocation WRITE setSaveLocation)

public:
    // `environment` may be null: SystemDownLoadEnvironment (libcurl, Qt event
    // processing, the system clock and network state, dialogs that answer
    // themselves) is used then.
    explicit DownLoadCore(std::shared_ptr<DownLoadEnvironment> environment = {},
                          QObject* parent = nullptr);
    ~DownLoadCore() override;

    static QString DefaultUrl();
    static QString DefaultSaveLocation();  // "C:\File1.tmp"
    static constexpr qint32 kDefaultChunk = 1024;

    bool InDL() const;
    bool AResume() const;
    bool CPause() const;
    bool CCancel() const;
    qint32 ROLLBACK() const;
    bool ResumeSupported() const;
    bool Connected() const;
    bool PromptOverwrite() const;
    bool OnlineCheck() const;
    bool KeepType() const;
    bool FileExists() const;
    qint32 FileSize() const;
    QString Url() const;
    qint32 CHUNK() const;
    QString SaveLocation() const;
    // The path the last transfer opened and wrote: SaveLocation, or the path
    // KeepType or the overwrite prompt made of it. Read only, not saved;
    // empty before the first transfer.
    QString TargetFile() const;

    // Assignments store the value unchanged and then tell the site.
    void setROLLBACK(qint32 lnumBYTES);
    void setPromptOverwrite(bool DoPrompt);
    void setOnlineCheck(bool DoCheck);
    void setKeepType(bool IsKeep);
    void setUrl(const QString& New_Url);
    void setCHUNK(qint32 New_CHUNK);
    void setSaveLocation(const QString& New_Location);

    // Persistence through the host's saved set.
    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // Receives the "property changed" notifications ("Url", "SaveLocation",
    // "CHUNK", "KeepType", "OnlineCheck", "PromptOverwrite", "ROLLBACK").
    void setSite(ControlSite* site);

    // The target path that keeps the extension of `url`: the part of
    // `saveLocation` up to a dot among its last six characters, followed by
    // what follows a dot among the last six characters of `url`. An address
    // without such an extension (none, or one holding "/", "\", "?" or "#")
    // leaves `saveLocation` as it is; a save location without a dot there
    // keeps its whole name and gets "." and the extension. Throws
    // std::runtime_error when either is shorter than six.
    static QString PreserveExtension(const QString& url, const QString& saveLocation);

public Q_SLOTS:
    void download();
    void GetFileInformation();
    void Cancel();
    void DLResume();
    void Pause(bool blnPause);

Q_SIGNALS:
    void DLComplete();
    void DLError(const QString& lpErrorDescription);
    void DLECode(qint32 lErrorCode);
    void RecievedBytes(qint32 lnumBYTES);
    void Percent(qint32 lPercent);
    void StatusChange(const QString& lpStatus);
    void Rate(const QString& lpRate);
    void TimeLeft(const QString& lpTime);
    void ConnectionState(const QString& strState);

private:
    bool CheckConnection();
    void ProbeRefused(const Refusal& refusal, int status);
    void ProbeCancelled();
    void NoConnectionEnd(bool cancelRequest);
    void TransferSucceeded(InetTransfer& transfer);
    void TransferCancelledEnd();
    void TransferFailed();
    QString SettleOverwrite(const QString& target);
    void OpenTarget(const QString& path, bool truncate, qint64 position);
    // Reads, writes and reports chunks until the body ends with exactly the
    // announced length (true) or a cancel is acted on (false); failures,
    // a body of another length among them, are thrown.
    bool ChunkLoop(qint32 chunkSize, qint32 alreadyInFile, const char* statusText);

    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace patchwell::download
