#include "tilebay/platform/system/desktop_folders.h"

#include <QDir>
#include <QStandardPaths>

#include "tilebay/platform/system/login_name.h"
#include "tilebay/platform/system/password_entry.h"

namespace tilebay {
namespace {

QString HomeOf(const QString& loginName) {
    const auto entry = PasswordEntryOfLogin(loginName);
    return entry ? entry->homeFolder : QString();
}

QString WithoutTrailingSeparator(QString path) {
    while (path.size() > 1 && path.endsWith(u'/')) {
        path.chop(1);
    }
    return path;
}

}  // namespace

QString XdgDesktopFolders::UserDesktop(const QString& loginName) {
    if (loginName.isEmpty()) {
        return {};
    }
    if (loginName == QueryLoginName()) {
        return WithoutTrailingSeparator(
            QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    }
    const QString home = HomeOf(loginName);
    if (home.isEmpty()) {
        return {};
    }
    return WithoutTrailingSeparator(home) + QStringLiteral("/Desktop");
}

QString XdgDesktopFolders::AllUsersDesktop() {
    const QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    QString base = QStringLiteral("/usr/local/share");
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir)) {  // relative entries are invalid and skipped
            base = dir;
            break;
        }
    }
    base = WithoutTrailingSeparator(base);
    if (base == QStringLiteral("/")) {
        base.clear();
    }
    return base + QStringLiteral("/tilebay/Desktop");
}

}  // namespace tilebay
