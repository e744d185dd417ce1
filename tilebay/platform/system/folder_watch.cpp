#include "tilebay/platform/system/folder_watch.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace tilebay {
namespace {

Q_LOGGING_CATEGORY(lcWatch, "tilebay.watch", QtWarningMsg)

constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                                   IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr uint32_t kWatchEnds = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

}  // namespace

bool IsNetworkFileSystem(const QString& path) {
    struct statfs info {};
    if (::statfs(QFile::encodeName(path).constData(), &info) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(info.f_type)) {
        case 0x6969UL:      // NFS
        case 0x517BUL:      // SMB
        case 0xFF534D42UL:  // CIFS
        case 0xFE534D42UL:  // SMB2
        case 0x65735546UL:  // FUSE (sshfs and the like)
        case 0x01021997UL:  // 9P
        case 0x00C36400UL:  // Ceph
        case 0x5346414FUL:  // AFS
        case 0x73757245UL:  // Coda
        case 0x564CUL:      // NCP
            return true;
        default:
            return false;
    }
}

InotifyFolderWatcher::InotifyFolderWatcher() {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
        qCDebug(lcWatch) << "no inotify:" << strerror(errno);
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { ReadEvents(); });
}

InotifyFolderWatcher::~InotifyFolderWatcher() {
    notifier_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool InotifyFolderWatcher::Watch(const QString& folder) {
    if (fd_ < 0 || folder.isEmpty() || IsNetworkFileSystem(folder)) {
        return false;
    }
    const int wd = ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), kFolderEvents);
    if (wd < 0) {
        qCDebug(lcWatch) << "cannot watch" << folder << strerror(errno);
        return false;
    }
    folders_.insert(wd, folder);
    return true;
}

void InotifyFolderWatcher::UnwatchAll() {
    for (auto it = folders_.cbegin(); it != folders_.cend(); ++it) {
        ::inotify_rm_watch(fd_, it.key());
    }
    folders_.clear();
}

void InotifyFolderWatcher::Report(const QString& folder, bool lost) {
    if (changed) {
        changed(folder, lost);
    }
}

void InotifyFolderWatcher::ReadEvents() {
    alignas(struct inotify_event) char buffer[16384];
    QHash<QString, bool> touched;  // folder -> lost; one report per folder and read
    bool overflow = false;
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0) {
            break;  // EAGAIN: all read
        }
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                overflow = true;
                continue;
            }
            const auto found = folders_.constFind(event->wd);
            if (found == folders_.cend()) {
                continue;
            }
            const QString folder = found.value();
            const bool ends = (event->mask & kWatchEnds) != 0;
            if (ends) {
                if ((event->mask & IN_IGNORED) == 0) {
                    ::inotify_rm_watch(fd_, event->wd);
                }
                folders_.remove(event->wd);
            }
            touched[folder] = touched.value(folder) || ends;
        }
    }
    if (overflow) {
        // Events were dropped: every folder may have changed.
        for (const QString& folder : std::as_const(folders_)) {
            touched.insert(folder, touched.value(folder));
        }
    }
    for (auto it = touched.cbegin(); it != touched.cend(); ++it) {
        Report(it.key(), it.value());
    }
}

}  // namespace tilebay
