#include "single_instance.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tilebay {

InstanceLock::~InstanceLock() {
    ::close(fd_);
}

std::unique_ptr<InstanceLock> InstanceLock::Acquire(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return nullptr;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd));
}

QString InstanceLockPath(const QString& runtimeDir, const QString& display) {
    QString key = display.isEmpty() ? QStringLiteral("none") : display;
    // Only characters that are safe in a file name.
    for (QChar& c : key) {
        if (!c.isLetterOrNumber() && c != u'.' && c != u'-') {
            c = u'_';
        }
    }
    const QString folder = runtimeDir.isEmpty() ? QDir::tempPath() + QStringLiteral("/tilebay-") +
                                                      QString::number(::getuid())
                                                : runtimeDir;
    QDir().mkpath(folder);
    return folder + QStringLiteral("/tilebay-") + key + QStringLiteral(".lock");
}

}  // namespace tilebay
