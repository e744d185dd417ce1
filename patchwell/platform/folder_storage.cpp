#include "patchwell/platform/folder_storage.h"

#include <QFile>
#include <QStorageInfo>

#include <unistd.h>

namespace patchwell::platform {

bool SystemFolderStorage::IsWritable(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    return !path.isEmpty() && ::access(path.constData(), W_OK | X_OK) == 0 &&
           !QStorageInfo(folder).isReadOnly();
}

std::optional<qint64> SystemFolderStorage::BytesAvailable(const QString& folder) {
    const QStorageInfo storage(folder);
    if (!storage.isValid() || !storage.isReady()) {
        return std::nullopt;
    }
    return storage.bytesAvailable();
}

}  // namespace patchwell::platform
