#pragma once

// Icons and type texts of desktop entries, from the desktop's icon theme and
// MIME database.

#include <QMimeDatabase>
#include <QPixmap>
#include <QString>

namespace tilebay {

class FileIconSource {
public:
    virtual ~FileIconSource() = default;
    // The icon of the entry at `path`: 32 x 32 pixels for size 2, 16 x 16 for
    // any other size; a null pixmap when no icon can be had (the entry is
    // gone, or the theme has nothing for it).
    virtual QPixmap QueryFileIcon(const QString& path, qint16 size) = 0;
    // The type text of the entry at `path` ("Plain text document", "Folder",
    // ...); empty when the entry is gone.
    virtual QString QueryFileTypeName(const QString& path) = 0;
};

// Folders get the theme's folder icon; launchers (".desktop") the icon that
// their Icon key names (a theme name or a file path); every other entry the
// icon of its MIME type. Needs a QGuiApplication.
class ThemeFileIconSource : public FileIconSource {
public:
    ThemeFileIconSource();
    QPixmap QueryFileIcon(const QString& path, qint16 size) override;
    QString QueryFileTypeName(const QString& path) override;

private:
    QMimeDatabase mimeDatabase_;
};

// Makes the XDG icon folders searchable and chooses an icon theme when Qt has
// none (a bare X server or the offscreen platform has no desktop settings to
// name one): Adwaita when it is installed, else hicolor. hicolor also serves
// as the fallback theme.
void EnsureIconTheme();

}  // namespace tilebay
