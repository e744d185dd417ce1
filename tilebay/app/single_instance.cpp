#include "tilebay/app/single_instance.h"

#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

#include "tilebay/platform/system/private_folder.h"

namespace tilebay {

QString InstanceFolder(const QString& runtimeDir) {
    if (!runtimeDir.isEmpty()) {
        QDir().mkpath(runtimeDir);
        return runtimeDir;
    }
    // Without a runtime folder the lock goes into a folder of this user alone,
    // never one that another user could have made first: the temporary
    // folder's "tilebay-<uid>", else one in the user's cache folder.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    QDir().mkpath(cache);
    const QString candidates[] = {
        QDir::tempPath() + QStringLiteral("/tilebay-") + QString::number(::getuid()),
        cache + QStringLiteral("/tilebay-runtime")};
    for (const QString& folder : candidates) {
        if (EnsurePrivateFolder(folder)) {
            return folder;
        }
    }
    return {};
}

QString InstanceLockPath(const QString& runtimeDir, const QString& display) {
    QString key = display.isEmpty() ? QStringLiteral("none") : display;
    // Only characters that are safe in a file name.
    for (QChar& c : key) {
        if (!c.isLetterOrNumber() && c != u'.' && c != u'-') {
            c = u'_';
        }
    }
    const QString folder = InstanceFolder(runtimeDir);
    if (folder.isEmpty()) {
        return {};
    }
    return folder + QStringLiteral("/tilebay-") + key + QStringLiteral(".lock");
}

}  // namespace tilebay
