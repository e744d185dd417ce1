#pragma once

// Watching the desktop folders for entries that are created, deleted,
// renamed or changed, without polling.

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace tilebay {

class FolderWatcher {
public:
    virtual ~FolderWatcher() = default;
    // Starts watching `folder`; false when no watch can be set (no such
    // folder, the kernel's watch limit reached, a network file system whose
    // changes on other machines would go unseen).
    virtual bool Watch(const QString& folder) = 0;
    virtual void UnwatchAll() = 0;

    // Called from the event loop after entries of a watched folder changed;
    // `lost` is true when the watch itself ended (the folder was deleted,
    // renamed or unmounted) and the folder is no longer watched.
    std::function<void(const QString& folder, bool lost)> changed;
};

// inotify through a socket notifier on the event loop: nothing runs while
// nothing changes.
class InotifyFolderWatcher : public QObject, public FolderWatcher {
    Q_OBJECT
public:
    InotifyFolderWatcher();
    ~InotifyFolderWatcher() override;
    bool Watch(const QString& folder) override;
    void UnwatchAll() override;

private:
    void ReadEvents();
    void Report(const QString& folder, bool lost);

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QHash<int, QString> folders_;  // by watch descriptor
};

// True for a file system on which inotify sees only local changes (NFS,
// SMB/CIFS, FUSE and other network file systems).
bool IsNetworkFileSystem(const QString& path);

}  // namespace tilebay
