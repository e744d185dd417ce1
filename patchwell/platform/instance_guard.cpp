#include "instance_guard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace patchwell::platform {

LockFileInstanceGuard::LockFileInstanceGuard(QString executablePath, QString lockFolder) {
    const QFileInfo info(executablePath);
    const QString canonical =
        info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    if (lockFolder.isEmpty() && !qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        lockFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    if (lockFolder.isEmpty()) {
        lockFolder = QDir::tempPath();
    }
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    lockPath_ = QDir(lockFolder)
                    .filePath(QStringLiteral("patchwell-") + QString::fromLatin1(hash) +
                              QStringLiteral(".lock"));
}

LockFileInstanceGuard::~LockFileInstanceGuard() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool LockFileInstanceGuard::TryClaim() {
    if (fd_ >= 0) {
        return true;
    }
    // Close-on-exec: the programs we start must not carry our lock with them,
    // or the served program would block the next start.
    const int fd = ::open(QFile::encodeName(lockPath_).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

QString LockFileInstanceGuard::LockPath() const {
    return lockPath_;
}

}  // namespace patchwell::platform
