#pragma once

// Whether a launcher may be run. A launcher is a program of its own (its Exec
// line runs whatever it names), so it is run only when the user or the
// system wrote it and nobody else can have changed it since.

#include <QString>

#include <optional>

#include <sys/types.h>
#include <unistd.h>

#include "tilebay/platform/system/shortcut.h"

namespace tilebay {

// The rule on a launcher file's owner and mode: it is executable (an
// execute bit is set), owned by `user` or by root, and writable by nobody
// else (no group or other write bit). Where it lies does not matter: in a
// shared folder with the sticky bit only its owner can replace it.
bool LauncherOwnershipTrusted(uid_t owner, mode_t mode, uid_t user);

struct TrustedLauncher {
    QString path;  // the launcher file (a link's final target)
    DesktopEntry entry;
};

// The launcher behind `path` (itself, or the launcher that a symbolic link
// leads to) when it may be run: the launcher file passes the rule above,
// checked on the very bytes that are read, and a link passes the owner part
// of it (owned by `user` or root). nullopt otherwise, and for anything that
// is no readable launcher.
std::optional<TrustedLauncher> ReadTrustedLauncher(const QString& path, uid_t user = ::getuid());

}  // namespace tilebay
