#pragma once

// Folders of one user that no other user can plant or change, and the one
// rule for where both programs keep their single-instance locks.

#include <QString>

#include <sys/types.h>
#include <unistd.h>

namespace common {

// Makes `path` a private folder of `user`: created with mode 0700 when it is
// missing; an existing one must be a folder (not a symbolic link) owned by
// `user`, and is narrowed to mode 0700 when it is more open. False when the
// folder is not (or cannot be made) private, for example when another user
// made it first.
bool EnsurePrivateFolder(const QString& path, uid_t user = ::getuid());

// The folder for the lock files of `program`: the first of these that is, or
// can be made, a private folder of this user: the runtime folder
// `runtimeDir`; `cacheHome`/`program` (an absolute XDG_CACHE_HOME); the
// home's .cache/`program`; the temporary folder's `program`-<uid>. A folder
// that another user made first, or a link, is passed over. Empty when none
// can be had.
QString InstanceLockFolder(const QString& program, const QString& runtimeDir,
                           const QString& cacheHome);

}  // namespace common
