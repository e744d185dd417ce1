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

#include <functional>
#include <memory>
#include <optional>

#include "patchwell/download/control/download_codes.h"
#include "patchwell/download/control/download_interface.h"
#include "patchwell/download/control/property_bag.h"

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
    Q_PROPERTY(qint64 FileSize READ FileSize)
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

    // The properties (download_interface.h): a getter for each, an assignment
    // for each writable one that stores the value unchanged and then tells
    // the site, and the value of each writable one in a new instance.
#define PATCHWELL_DOWNLOAD_DECLARE_READ(Type, Name, ...) Type Name() const;
#define PATCHWELL_DOWNLOAD_DECLARE_WRITE(Type, Name, Argument, ...) \
    Type Name() const;                                              \
    void set##Name(PropertyArgument<Type> Argument);                \
    static Type Default##Name() {                                   \
        return ::patchwell::download::Default##Name();              \
    }
    PATCHWELL_DOWNLOAD_READ_PROPERTIES(PATCHWELL_DOWNLOAD_DECLARE_READ)
    PATCHWELL_DOWNLOAD_WRITE_PROPERTIES(PATCHWELL_DOWNLOAD_DECLARE_WRITE)
#undef PATCHWELL_DOWNLOAD_DECLARE_READ
#undef PATCHWELL_DOWNLOAD_DECLARE_WRITE

    // The path the last transfer opened and wrote: SaveLocation, or the path
    // KeepType or the overwrite prompt made of it. Read only, not saved;
    // empty before the first transfer.
    QString TargetFile() const;

    // Persistence through the host's saved set.
    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // Receives the "property changed" notifications, under the property's
    // name ("Url", "CHUNK", ...).
    void setSite(ControlSite* site);

public Q_SLOTS:
    void download();
    void GetFileInformation();
    void Cancel();
    void DLResume();
    void Pause(bool blnPause);

Q_SIGNALS:
    PATCHWELL_DOWNLOAD_EVENTS

private:
    bool CheckConnection();
    void ProbeRefused(const Refusal& refusal, int status);
    void ProbeCancelled();
    void NoConnectionEnd(bool cancelRequest);
    void TransferSucceeded(InetTransfer& transfer);
    void TransferCancelledEnd();
    void TransferFailed();
    void ResumeRefused(ErrorCode code, const char* statusText);
    QString SettleOverwrite(const QString& target);
    void OpenTarget(const QString& path, bool truncate, qint64 position);
    // Reads, writes and reports chunks until the body ends with exactly the
    // announced length (true) or a cancel is acted on (false); failures,
    // a body of another length among them, are thrown.
    bool ChunkLoop(qint32 chunkSize, qint64 alreadyInFile, const char* statusText);
    // Where the chunks of a transfer go on: the bytes already in the opened
    // target, and the status text that each chunk reports.
    struct ChunkStart {
        qint64 alreadyInFile;
        const char* statusText;
    };
    // What download and DLResume share: nothing after a cancel, the
    // no-connection end when the online check found none, then the transfer
    // set to the URL, `open` (which opens the target, or reports why not and
    // returns nullopt) and the chunks; any failure ends the transfer failed.
    void RunTransfer(const std::function<std::optional<ChunkStart>(InetTransfer&)>& open);

    struct Private;
    std::unique_ptr<Private> d;
};

}  // namespace patchwell::download
