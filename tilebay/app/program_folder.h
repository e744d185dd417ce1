#pragma once

// The folder that holds tilebay's settings and styles (the program folder).
//
// Portable: the folder of the executable, when a "styles" folder lies beside
// it. Installed: $XDG_DATA_HOME/tilebay (~/.local/share/tilebay by default),
// created at the first start with the shipped styles and the default style
// choice copied in from <prefix>/share/tilebay; from then on the files there
// are the user's own and are never overwritten.

#include <QString>

namespace tilebay {

struct ProgramFolderPlaces {
    QString executableFolder;  // the folder of the running executable
    QString dataHome;          // $XDG_DATA_HOME, or empty for ~/.local/share
    QString home;              // $HOME
};

// The places of the running process.
ProgramFolderPlaces CurrentPlaces();

// The program folder, set up as described above. The path has no trailing
// separator.
QString ResolveProgramFolder(const ProgramFolderPlaces& places);

}  // namespace tilebay
