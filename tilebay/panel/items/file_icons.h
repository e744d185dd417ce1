#pragma once

// Icons and type texts of desktop entries, from the desktop's icon theme and
// MIME database.

#include <QFileInfo>
#include <QIcon>
#include <QMimeDatabase>
#include <QPixmap>
#include <QString>

namespace tilebay {

class FileIconSource {
public:
    virtual ~FileIconSource() = default;
    // The icon of the entry at `path`: 32 x 32 pixels for size 2, 16 x 16 for
    // any other size (device independent pixels: a picture for a scaled
    // screen has more device pixels and its device pixel ratio set); a null pixmap when no icon can
    // be had (the entry is gone, or the theme has nothing for it).
    virtual QPixmap QueryFileIcon(const QString& path, qint16 size) = 0;
    // The type text of the entry at `path` ("Plain text document", "Folder",
    // ...); empty when the entry is gone.
    virtual QString QueryFileTypeName(const QString& path) = 0;
};

// A program without an extension: a regular file (not a link) with an
// execute bit and no "." in its name.
bool IsProgramWithoutExtension(const QFileInfo& info);

// The type texts of entries that the MIME database cannot name truthfully:
// "program", "<type of the target> (link)", "broken link".
QString ProgramTypeName();
QString LinkTypeName(const QString& targetType);
QString BrokenLinkTypeName();

// Folders get the theme's folder icon; launchers (".desktop") the icon that
// their Icon key names (a theme name or a regular image file of at most
// 4 MiB); programs without an extension the theme's program icon; a symbolic
// link its target's icon with the link emblem, or a missing-image icon with
// the emblem when the target is gone; every other entry the icon of its MIME
// type, judged from its name and first bytes. Pictures are made for the
// device pixel ratio `pixelRatio` (0: the finest of the screens), so they
// are sharp on a scaled screen. Needs a QGuiApplication.
class ThemeFileIconSource : public FileIconSource {
public:
    explicit ThemeFileIconSource(qreal pixelRatio = 0);
    QPixmap QueryFileIcon(const QString& path, qint16 size) override;
    QString QueryFileTypeName(const QString& path) override;

private:
    qreal PixelRatio() const;
    QMimeType MimeType(const QFileInfo& info);

    qreal pixelRatio_;
    QMimeDatabase mimeDatabase_;
    QString launcherPath_;  // the launcher whose icon was made last
    QIcon launcherIcon_;
};

// Makes the XDG icon folders searchable and chooses an icon theme when Qt has
// none (a bare X server or the offscreen platform has no desktop settings to
// name one): Adwaita when it is installed, else hicolor. hicolor also serves
// as the fallback theme.
void EnsureIconTheme();

}  // namespace tilebay
