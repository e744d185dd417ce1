#include "patchwell/platform/user_folders.h"

#include <QDir>

namespace patchwell::platform {

namespace {

QString UnderXdg(const char* variable, const QString& fallback) {
    const QString base = qEnvironmentVariable(variable);
    const QString root = QDir::isAbsolutePath(base) ? base : QDir::homePath() + fallback;
    return QDir::cleanPath(root + QStringLiteral("/patchwell"));
}

}  // namespace

QString UserStateFolder() {
    return UnderXdg("XDG_STATE_HOME", QStringLiteral("/.local/state"));
}

QStringList UserStateFolders() {
    QStringList folders{UserStateFolder()};
    const QString home =
        QDir::cleanPath(QDir::homePath() + QStringLiteral("/.local/state/patchwell"));
    if (!folders.contains(home)) {
        folders << home;
    }
    return folders;
}

QString UserCacheFolder() {
    return UnderXdg("XDG_CACHE_HOME", QStringLiteral("/.cache"));
}

}  // namespace patchwell::platform
