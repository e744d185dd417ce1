#pragma once

// The panel's settings files, all in and below the program folder:
//   options.ini        OPTIONS  taskbar, alwaysontop, icons ("ON" / "OFF")
//   styleloader.ini    STYLE    stylename (the style folder, e.g. "\Blue")
//   styles/<folder>/style.ini   COLOUR, SIZE, EFFECT, POSITION, FONT, NAME,
//                               SOUND keys of one style
// Every path is the program folder followed by a fixed text; stored folder
// texts may use "\" and doubled separators, so each path goes through
// common::LocalPath before a file is opened.

#include <QColor>
#include <QString>

#include <array>
#include <optional>

namespace tilebay {

// One style as the panel keeps it. Integer fields are 16-bit; a read that
// fails keeps the field's value, so a fresh record starts at 0.
struct StyleSettings {
    QString styleFolder;
    qint16 fontRed = 0;
    qint16 fontGreen = 0;
    qint16 fontBlue = 0;
    qint16 bgRed = 0;
    qint16 bgGreen = 0;
    qint16 bgBlue = 0;
    qint16 borderRed = 0;
    qint16 borderGreen = 0;
    qint16 borderBlue = 0;
    qint16 boxHeight = 0;     // height of the item list, in twips
    qint16 opacity = 0;       // 0 invisible .. 255 opaque; others leave the window as it is
    qint16 dockPosition = 0;  // 1 left, 2 centre, 3 right; others: not docked
    QString fontName;
    QString styleTitle;  // at most 12 characters
    QString startupSound;
};

// Local paths of the files (see above).
QString OptionsFile(const QString& programFolder);
QString StyleChoiceFile(const QString& programFolder);
QString StyleFile(const QString& programFolder, const QString& styleFolder);
QString StartupSoundFile(const QString& programFolder, const QString& styleFolder,
                         const QString& startupSound);

// The keys of a style, in the order in which the panel reads them. StyleFolder
// comes from styleloader.ini, every other key from the style file of the
// folder that the record holds at the time of the read.
enum class StyleKey {
    StyleFolder,
    FontRed,
    FontGreen,
    FontBlue,
    BgRed,
    BgGreen,
    BgBlue,
    BorderRed,
    BorderGreen,
    BorderBlue,
    BoxHeight,
    Opacity,
    DockPosition,
    FontName,
    StyleTitle,
    StartupSound,
};

inline constexpr std::array<StyleKey, 16> kStyleReadOrder = {
    StyleKey::StyleFolder,  StyleKey::FontRed,    StyleKey::FontGreen,  StyleKey::FontBlue,
    StyleKey::BgRed,        StyleKey::BgGreen,    StyleKey::BgBlue,     StyleKey::BorderRed,
    StyleKey::BorderGreen,  StyleKey::BorderBlue, StyleKey::BoxHeight,  StyleKey::Opacity,
    StyleKey::DockPosition, StyleKey::FontName,   StyleKey::StyleTitle, StyleKey::StartupSound,
};

struct IniLocation {
    QString section;
    QString key;
};
IniLocation StyleKeyLocation(StyleKey key);

// Reads one key into `settings`. The style file path is built anew from
// settings.styleFolder for each key. Returns false, leaving the field as it
// was, when an integer key's text is not a 16-bit integer; text keys always
// succeed (a missing key reads as the empty text).
bool ReadStyleKey(const QString& programFolder, StyleKey key, StyleSettings& settings);

// Reads every key in kStyleReadOrder.
void ReadStyle(const QString& programFolder, StyleSettings& settings);

// The raw text of `section`/`key` in the style file of `styleFolder`, for
// readers of keys that the record does not keep (NAME description).
QString ReadStyleFileValue(const QString& programFolder, const QString& styleFolder,
                           const QString& section, const QString& key);

// A 16-bit signed integer from a decimal text: blanks around it and a sign
// are allowed; empty text, anything else and values outside -32768..32767
// give nullopt.
std::optional<qint16> ToInt16(const QString& text);

// The first 12 characters of a style's title (all of it when shorter); a
// character made of two UTF-16 units is never split.
QString StyleTitleOf(const QString& name);

// The caption strip's text: title, " - ", "Tilebay".
QString TitleCaption(const QString& styleTitle);

// red + 256 * green + 65536 * blue, a component above 255 counting as 255;
// nullopt when a component is negative (the step that wanted the colour fails).
std::optional<quint32> ColourValue(qint16 red, qint16 green, qint16 blue);
std::optional<QColor> ComposeColour(qint16 red, qint16 green, qint16 blue);

// The panel's three options in options.ini.
enum class PanelOption { Taskbar, AlwaysOnTop, Icons };
QString OptionKey(PanelOption option);

// True exactly when the stored value is "ON" (case-sensitive).
bool ReadOption(const QString& programFolder, PanelOption option);
// Stores "ON" or "OFF".
void WriteOption(const QString& programFolder, PanelOption option, bool on);

// The start-up tune plays unless options.ini holds OPTIONS / sound = "OFF"
// (case-sensitive, as the other options); nothing writes that key.
bool StartupSoundEnabled(const QString& programFolder);

}  // namespace tilebay
