#include "tilebay/app/single_instance.h"

#include "common/process/private_folder.h"

namespace tilebay {

QString InstanceFolder(const QString& runtimeDir) {
    return common::InstanceLockFolder(QStringLiteral("tilebay"), runtimeDir,
                                      qEnvironmentVariable("XDG_CACHE_HOME"));
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
