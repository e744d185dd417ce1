#include "file_icons.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>

#include "shortcut.h"

namespace tilebay {
namespace {

bool ThemeInstalled(const QString& name) {
    const QStringList searchPaths = QIcon::themeSearchPaths();
    for (const QString& base : searchPaths) {
        if (QFileInfo::exists(base + u'/' + name + QStringLiteral("/index.theme"))) {
            return true;
        }
    }
    return false;
}

QIcon FirstThemeIcon(std::initializer_list<QString> names) {
    for (const QString& name : names) {
        if (name.isEmpty()) {
            continue;
        }
        const QIcon icon = QIcon::fromTheme(name);
        if (!icon.isNull()) {
            return icon;
        }
    }
    return {};
}

bool Exists(const QFileInfo& info) {
    return info.exists() || info.isSymLink();  // a dangling link is still an entry
}

bool IsLauncher(const QFileInfo& info) {
    return info.isFile() &&
           info.fileName().endsWith(QStringLiteral(".desktop"), Qt::CaseInsensitive);
}

QIcon LauncherIcon(const QString& path) {
    const std::optional<DesktopEntry> entry = ReadDesktopEntry(path);
    if (entry && !entry->icon.isEmpty()) {
        if (QDir::isAbsolutePath(entry->icon)) {
            const QIcon icon(entry->icon);
            if (!icon.isNull() && !icon.availableSizes().isEmpty()) {
                return icon;
            }
        } else {
            const QIcon icon = QIcon::fromTheme(entry->icon);
            if (!icon.isNull()) {
                return icon;
            }
        }
    }
    return FirstThemeIcon(
        {QStringLiteral("application-x-executable"), QStringLiteral("application-x-desktop")});
}

}  // namespace

void EnsureIconTheme() {
    // Without a desktop platform theme Qt searches only its resources; add
    // the XDG icon folders as a desktop would.
    QStringList searchPaths = QIcon::themeSearchPaths();
    QStringList xdg{QDir::homePath() + QStringLiteral("/.icons")};
    xdg += QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                     QStandardPaths::LocateDirectory);
    bool added = false;
    for (const QString& path : xdg) {
        if (!searchPaths.contains(path) && QFileInfo(path).isDir()) {
            searchPaths.append(path);
            added = true;
        }
    }
    if (added) {
        QIcon::setThemeSearchPaths(searchPaths);
    }
    if (QIcon::fallbackThemeName().isEmpty()) {
        QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
    }
    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QStringLiteral("hicolor") && ThemeInstalled(current)) {
        return;
    }
    if (ThemeInstalled(QStringLiteral("Adwaita"))) {
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    } else if (current.isEmpty()) {
        QIcon::setThemeName(QStringLiteral("hicolor"));
    }
}

ThemeFileIconSource::ThemeFileIconSource() {
    EnsureIconTheme();
}

QPixmap ThemeFileIconSource::QueryFileIcon(const QString& path, qint16 size) {
    const QFileInfo info(path);
    if (path.isEmpty() || !Exists(info)) {
        return {};
    }
    QIcon icon;
    if (info.isDir()) {
        icon = FirstThemeIcon({QStringLiteral("folder"), QStringLiteral("inode-directory")});
    } else if (IsLauncher(info)) {
        icon = LauncherIcon(path);
    } else {
        const QMimeType type = mimeDatabase_.mimeTypeForFile(info);
        icon = FirstThemeIcon({type.iconName(), type.genericIconName(),
                               QStringLiteral("text-x-generic"), QStringLiteral("unknown")});
    }
    if (icon.isNull()) {
        return {};
    }
    const int pixels = size == 2 ? 32 : 16;
    QPixmap pixmap = icon.pixmap(QSize(pixels, pixels));
    if (pixmap.isNull()) {
        return {};
    }
    if (pixmap.size() != QSize(pixels, pixels)) {
        pixmap = pixmap.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return pixmap;
}

QString ThemeFileIconSource::QueryFileTypeName(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !Exists(info)) {
        return {};
    }
    return mimeDatabase_.mimeTypeForFile(info).comment();
}

}  // namespace tilebay
