#pragma once

// Whether a launcher may be run. A launcher is a program of its own (its Exec
// line runs whatever it names), so it is run only when the user or the
// system wrote it and nobody else can have changed it since.

#include <QString>

#include <optional>

#include <sys/types.h>
#include <unistd.h>

#include "tilebay/platform/system/run_service.h"
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
// checked on the very bytes that are read, and every link followed passes
// the owner part of it (owned by `user` or root). nullopt otherwise, and for anything that
// is no readable launcher.
std::optional<TrustedLauncher> ReadTrustedLauncher(const QString& path, uid_t user = ::getuid());

// True when starting `path` would execute a file: it is, or its symbolic
// links finally lead to, a regular file with an execute bit (a program or a
// script).
bool WouldBeExecuted(const QString& path);

// The program file behind `path` (itself, or the final target of its
// symbolic links), opened, when it may be started: a regular file that
// passes the launcher rule above, checked on the opened file, and every link
// followed to it owned by `user` or root. nullopt otherwise.
std::optional<OpenedProgram> TrustedProgram(const QString& path, uid_t user = ::getuid());

// What the user is told when an item that would be executed is refused.
QString UntrustedStartText(const QString& name);

}  // namespace tilebay
