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
// - a symbolic link: the absolute path it points to;
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

// Reads the [Desktop Entry] group of the launcher file at `path`; nullopt when
// the file cannot be read or has no such group.
std::optional<DesktopEntry> ReadDesktopEntry(const QString& path);

// The words of an Exec value (string escapes already resolved) with its field
// codes expanded for a start without files or URLs: %f %F %u %U and the
// deprecated %d %D %n %N %v %m give nothing, %i gives "--icon" and the icon
// when there is one, %c the name, %k the launcher's own path, %% a "%".
// nullopt when a quote is left open.
std::optional<QStringList> ExpandExec(const QString& exec, const DesktopEntry& entry,
                                      const QString& launcherPath);

}  // namespace tilebay
