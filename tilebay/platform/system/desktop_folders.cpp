#include "desktop_folders.h"

#include <QDir>
#include <QStandardPaths>

#include <pwd.h>

#include <unistd.h>
#include <cerrno>
#include <vector>

#include "login_name.h"

namespace tilebay {
namespace {

QString HomeOf(const QString& loginName) {
    const QByteArray name = loginName.toLocal8Bit();
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::size_t size = hint > 0 ? static_cast<std::size_t>(hint) : 1024;
    for (int tries = 0; tries < 8; ++tries) {
        std::vector<char> buffer(size);
        passwd entry{};
        passwd* found = nullptr;
        const int rc = getpwnam_r(name.constData(), &entry, buffer.data(), buffer.size(), &found);
        if (rc == ERANGE) {
            size *= 4;
            continue;
        }
        if (rc != 0 || found == nullptr || found->pw_dir == nullptr) {
            return {};
        }
        return QString::fromLocal8Bit(found->pw_dir);
    }
    return {};
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
