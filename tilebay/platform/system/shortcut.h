#pragma once

// Shortcuts on this desktop are symbolic links and launcher files (".desktop"
// files in the Desktop Entry format).

#include <QString>
#include <QStringList>

#include <optional>

namespace tilebay {

// The result of ResolveShortcut for anything that is not a readable shortcut.
QString ShortcutErrorText();

// The target of the shortcut at `path`:
// - a symbolic link to a launcher: what that launcher gives (below);
// - any other symbolic link: the absolute path it points to;
// - an application launcher: its Exec command with the field codes expanded
//   for a start without files, as one command line (see command_line.h);
// - a link launcher: its URL.
// Anything else, or a launcher that cannot be read or is malformed, gives
// ShortcutErrorText(). The file is only read.
QString ResolveShortcut(const QString& path);

// True for a symbolic link or a launcher file: entries that are followed to a
// target and are not programs themselves.
bool IsShortcutFile(const QString& path);

// The keys of a launcher's [Desktop Entry] group that matter here, with the
// string escapes (\s \n \t \r \\) already resolved.
struct DesktopEntry {
    QString type;
    QString exec;
    QString url;
    QString icon;
    QString name;
    QString tryExec;        // a program that must exist for the launcher to start
    QString path;           // the working folder of the program
    bool terminal = false;  // run the program in a terminal
    bool hasExec = false;
    bool hasUrl = false;
};

// A launcher is a few kilobytes; anything larger than this is not one.
inline constexpr qint64 kMaxLauncherBytes = 1024 * 1024;

// Reads the [Desktop Entry] group of the launcher file at `path`; nullopt when
// the file is no regular file of at most kMaxLauncherBytes, cannot be read or
// has no such group. A FIFO or device never blocks the read.
std::optional<DesktopEntry> ReadDesktopEntry(const QString& path);

// The [Desktop Entry] group of a launcher's bytes; nullopt without one.
std::optional<DesktopEntry> ParseDesktopEntry(const QByteArray& bytes);

// The launcher file behind `path`: `path` itself when it is a launcher file,
// the final target of a symbolic link when that is a launcher file (a link
// to a launcher stands for that launcher); empty otherwise.
QString LauncherBehind(const QString& path);

// The words of an Exec value (string escapes already resolved) with its field
// codes expanded for a start without files or URLs: %f %F %u %U and the
// deprecated %d %D %n %N %v %m give nothing, %i gives "--icon" and the icon
// when there is one, %c the name, %k the launcher's own path, %% a "%".
// Inside a quoted argument field codes are not allowed and stay as written.
// nullopt when a quote is left open.
std::optional<QStringList> ExpandExec(const QString& exec, const DesktopEntry& entry,
                                      const QString& launcherPath);

// What the launcher `entry` (read from `launcherPath`) starts: an
// application's Exec command line with its field codes expanded, a link's
// URL; ShortcutErrorText() for anything else.
QString LauncherTarget(const DesktopEntry& entry, const QString& launcherPath);

}  // namespace tilebay
