#include "single_instance.h"

#include <QDir>

#include <unistd.h>

namespace tilebay {

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
