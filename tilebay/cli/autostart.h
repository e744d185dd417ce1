#pragma once

// Starting tilebay at login, the freedesktop way: a desktop entry named
// tilebay.desktop in $XDG_CONFIG_HOME/autostart (~/.config/autostart when the
// variable is unset or not absolute). Session managers start what that folder
// lists, unless the entry says Hidden=true.

#include <QString>

namespace tilebay {

struct AutostartPlaces {
    QString configHome;  // $XDG_CONFIG_HOME, or empty
    QString home;        // $HOME
    QString executable;  // the absolute path of the tilebay to start
};

// The places of the running process.
AutostartPlaces CurrentAutostartPlaces();

// The path of tilebay's autostart entry.
QString AutostartFile(const AutostartPlaces& places);

// `path` as one argument of a desktop entry's Exec key, quoted and escaped
// where it needs to be, as the value is written in the file.
QString ExecArgument(const QString& path);

// The autostart entry that starts `executable`.
QByteArray AutostartEntry(const QString& executable);

// True when the entry exists and is not hidden.
bool AutostartEnabled(const QString& file);

// Writes the entry (replacing it whole) or removes it. On failure returns
// false with the reason in `error`; removing an absent entry succeeds.
bool EnableAutostart(const AutostartPlaces& places, QString& error);
bool DisableAutostart(const AutostartPlaces& places, QString& error);

}  // namespace tilebay
