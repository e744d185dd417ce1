#include "patchwell/platform/instance_guard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace patchwell::platform {

LockFileInstanceGuard::LockFileInstanceGuard(QString executablePath, QString lockFolder) {
    const QFileInfo info(executablePath);
    const QString canonical =
        info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    if (lockFolder.isEmpty() && !qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        lockFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
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
