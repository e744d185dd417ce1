#include "tilebay/panel/items/file_icons.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QScreen>
#include <QStandardPaths>

#include <algorithm>

#include <sys/stat.h>

#include "tilebay/platform/system/links.h"
#include "tilebay/platform/system/safe_file.h"
#include "tilebay/platform/system/shortcut.h"

namespace tilebay {
namespace {

// An icon file is at most a few hundred kilobytes; larger files are not read.
constexpr qint64 kMaxIconBytes = 4 * 1024 * 1024;
// Enough of a file for the content rules of the MIME database.
constexpr qint64 kMimeHeadBytes = 16 * 1024;

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

// An icon from the bytes of an image file, at the sizes the panel draws (16
// and 32 pixels, at up to three times the resolution): a scalable image is
// rendered at each size rather than scaled.
QIcon IconFromBytes(const QByteArray& bytes) {
    QIcon icon;
    for (const int pixels : {16, 32, 48, 64, 96}) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        const QSize natural = reader.size();
        if (natural.isValid() && natural != QSize(pixels, pixels)) {
            reader.setScaledSize(natural.scaled(pixels, pixels, Qt::KeepAspectRatio));
        }
        const QImage image = reader.read();
        if (!image.isNull()) {
            icon.addPixmap(QPixmap::fromImage(image));
        }
    }
    return icon;
}

QIcon LauncherIcon(const QString& path) {
    const std::optional<DesktopEntry> entry = ReadDesktopEntry(path);
    if (entry && !entry->icon.isEmpty()) {
        if (QDir::isAbsolutePath(entry->icon)) {
            // Only a regular file of a sane size: a launcher that names a
            // FIFO or a device must not stop the panel.
            const std::optional<RegularFile> file = ReadRegularFile(entry->icon, kMaxIconBytes);
            const QIcon icon = file ? IconFromBytes(file->bytes) : QIcon();
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

QIcon ProgramIcon() {
    return FirstThemeIcon({QStringLiteral("application-x-executable"), QStringLiteral("system-run"),
                           QStringLiteral("text-x-script")});
}

// `base` at `pixels` with the link emblem in its lower right quarter.
QPixmap WithLinkEmblem(QPixmap base, int pixels, qreal ratio) {
    const int emblemSize = std::max(8, pixels / 2);
    const QPixmap emblem =
        FirstThemeIcon({QStringLiteral("emblem-symbolic-link"), QStringLiteral("emblem-link")})
            .pixmap(QSize(emblemSize, emblemSize), ratio);
    QPainter painter(&base);
    const QRect corner(pixels - emblemSize, pixels - emblemSize, emblemSize, emblemSize);
    if (!emblem.isNull()) {
        painter.drawPixmap(corner, emblem);
    } else {
        // No emblem in the theme: a small arrow on white says the same.
        painter.fillRect(corner, Qt::white);
        painter.setPen(QPen(Qt::black, std::max(1, emblemSize / 6)));
        painter.drawLine(corner.bottomLeft(), corner.center());
        painter.drawLine(corner.center(), corner.topRight());
    }
    return base;
}

}  // namespace

bool IsProgramWithoutExtension(const QFileInfo& info) {
    constexpr auto kAnyExecute = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    return !info.isSymLink() && info.isFile() && !info.fileName().contains(u'.') &&
           (info.permissions() & kAnyExecute) != 0;
}

QString ProgramTypeName() {
    return QCoreApplication::translate("tilebay::file_icons", "program");
}

QString LinkTypeName(const QString& targetType) {
    return QCoreApplication::translate("tilebay::file_icons", "%1 (link)").arg(targetType);
}

QString BrokenLinkTypeName() {
    return QCoreApplication::translate("tilebay::file_icons", "broken link");
}

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

ThemeFileIconSource::ThemeFileIconSource(qreal pixelRatio) : pixelRatio_(pixelRatio) {
    EnsureIconTheme();
}

qreal ThemeFileIconSource::PixelRatio() const {
    if (pixelRatio_ > 0) {
        return pixelRatio_;
    }
    // The finest screen: the icon is as sharp there and scaled down elsewhere.
    qreal ratio = 1;
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        ratio = std::max(ratio, screen->devicePixelRatio());
    }
    return ratio;
}

QMimeType ThemeFileIconSource::MimeType(const QFileInfo& info) {
    if (info.isDir()) {
        return mimeDatabase_.mimeTypeForName(QStringLiteral("inode/directory"));
    }
    // A launcher is known by its name: its content need not be read (a
    // desktop of many launchers loads that much faster).
    if (IsLauncher(info)) {
        return mimeDatabase_.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    }
    // The content is read here, without waiting on a FIFO and only its head;
    // anything that is no regular file the database knows by its kind alone.
    const std::optional<QByteArray> head = ReadFileHead(info.filePath(), kMimeHeadBytes);
    if (head) {
        return mimeDatabase_.mimeTypeForFileNameAndData(info.fileName(), *head);
    }
    return info.isFile() ? mimeDatabase_.mimeTypeForFile(info, QMimeDatabase::MatchExtension)
                         : mimeDatabase_.mimeTypeForFile(info);
}

QPixmap ThemeFileIconSource::QueryFileIcon(const QString& path, qint16 size) {
    const QFileInfo info(path);
    if (path.isEmpty() || !Exists(info)) {
        return {};
    }
    const int pixels = size == 2 ? 32 : 16;
    const qreal ratio = PixelRatio();
    if (info.isSymLink()) {
        const QString target = FinalTarget(path);  // never a link; empty for a loop
        const QPixmap base =
            target.isEmpty()
                ? FirstThemeIcon({QStringLiteral("image-missing"), QStringLiteral("unknown")})
                      .pixmap(QSize(pixels, pixels), ratio)
                : QueryFileIcon(target, size);
        return base.isNull() ? base : WithLinkEmblem(base, pixels, ratio);
    }
    QIcon icon;
    if (info.isDir()) {
        icon = FirstThemeIcon({QStringLiteral("folder"), QStringLiteral("inode-directory")});
    } else if (IsLauncher(info)) {
        // Both sizes of one launcher are asked for in a row: it is read once.
        if (launcherPath_ != path) {
            launcherIcon_ = LauncherIcon(path);
            launcherPath_ = path;
        }
        icon = launcherIcon_;
    } else if (IsProgramWithoutExtension(info)) {
        icon = ProgramIcon();
    } else {
        const QMimeType type = MimeType(info);
        icon = FirstThemeIcon({type.iconName(), type.genericIconName(),
                               QStringLiteral("text-x-generic"), QStringLiteral("unknown")});
    }
    if (icon.isNull()) {
        return {};
    }
    const QSize device(qRound(pixels * ratio), qRound(pixels * ratio));
    QPixmap pixmap = icon.pixmap(QSize(pixels, pixels), ratio);
    if (pixmap.isNull()) {
        return {};
    }
    if (pixmap.size() != device) {
        pixmap = pixmap.scaled(device, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QString ThemeFileIconSource::QueryFileTypeName(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !Exists(info)) {
        return {};
    }
    if (info.isSymLink()) {
        const QString target = FinalTarget(path);  // never a link; empty for a loop
        return target.isEmpty() ? BrokenLinkTypeName() : LinkTypeName(QueryFileTypeName(target));
    }
    if (IsProgramWithoutExtension(info)) {
        return ProgramTypeName();
    }
    return MimeType(info).comment();
}

}  // namespace tilebay
