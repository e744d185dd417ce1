#pragma once

// A folder of one user that no other user can plant or change: for the
// instance lock when there is no $XDG_RUNTIME_DIR (whose folder the system
// makes private to the user).

#include <QString>

#include <sys/types.h>
#include <unistd.h>

namespace tilebay {

// Makes `path` a private folder of `user`: created with mode 0700 when it is
// missing; an existing one must be a folder (not a symbolic link) owned by
// `user`, and is narrowed to mode 0700 when it is more open. False when the
// folder is not (or cannot be made) private, for example when another user
// made it first.
bool EnsurePrivateFolder(const QString& path, uid_t user = ::getuid());

}  // namespace tilebay
