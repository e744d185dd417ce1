#pragma once

// The two desktop folders whose items the panel lists and starts.

#include <QString>

namespace tilebay {

class DesktopFolders {
public:
    virtual ~DesktopFolders() = default;
    // The desktop folder of the user with this login name, without a trailing
    // separator; the empty text (which names no folder) for an empty or
    // unknown login name.
    virtual QString UserDesktop(const QString& loginName) = 0;
    // The desktop folder shared by all users, without a trailing separator.
    virtual QString AllUsersDesktop() = 0;
};

// The XDG layout:
// - the user running the program: the desktop folder that the user-dirs file
//   ($XDG_CONFIG_HOME/user-dirs.dirs) names, else $HOME/Desktop; another user:
//   the "Desktop" folder in that user's home folder;
// - all users: "tilebay/Desktop" in the first folder of $XDG_DATA_DIRS
//   (/usr/local/share when it is unset or empty).
class XdgDesktopFolders : public DesktopFolders {
public:
    QString UserDesktop(const QString& loginName) override;
    QString AllUsersDesktop() override;
};

}  // namespace tilebay
