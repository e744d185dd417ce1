#include "patchwell/platform/instance_guard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>

#include "common/process/private_folder.h"

Q_LOGGING_CATEGORY(lcLock, "patchwell.lock", QtWarningMsg)

namespace patchwell::platform {

LockFileInstanceGuard::LockFileInstanceGuard(QString executablePath, QString lockFolder) {
    const QFileInfo info(executablePath);
    const QString canonical =
        info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    // A lock on the executable, which every user may open, could be taken
    // by another user to keep this one from starting: it is the last resort,
    // after every folder of the user's own.
    if (lockFolder.isEmpty()) {
        lockFolder = common::InstanceLockFolder(QStringLiteral("patchwell"),
                                                qEnvironmentVariable("XDG_RUNTIME_DIR"),
                                                qEnvironmentVariable("XDG_CACHE_HOME"));
        if (lockFolder.isEmpty()) {
            qCWarning(lcLock) << "no lock folder of the user's own: locking the executable";
        }
    }
    if (lockFolder.isEmpty()) {
        lockPath_ = canonical;
        lockExecutable_ = true;
        return;
    }
    const QByteArray hash =
        QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    lockPath_ = QDir(lockFolder)
                    .filePath(QStringLiteral("patchwell-") + QString::fromLatin1(hash) +
                              QStringLiteral(".lock"));
}

LockFileInstanceGuard::~LockFileInstanceGuard() = default;

bool LockFileInstanceGuard::TryClaim() {
    if (!lock_) {
        lock_ = lockExecutable_ ? common::InstanceLock::AcquireExisting(lockPath_)
                                : common::InstanceLock::Acquire(lockPath_);
    }
    return lock_ != nullptr;
}

QString LockFileInstanceGuard::LockPath() const {
    return lockPath_;
}

}  // namespace patchwell::platform
