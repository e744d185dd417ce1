#pragma once

// Folders of one user that no other user can plant or change, and the one
// rule for where both programs keep their single-instance locks.

#include <QString>

#include <sys/types.h>
#include <unistd.h>

namespace common {

// How MakePrivateFolder treats a folder; the defaults are the lock folder's.
struct PrivateFolderRules {
    uid_t owner = ::getuid();
    // Missing folders above it are made (with the default mode) first.
    bool makeParents = false;
    // An existing folder is set to mode 0700 whenever its mode is another;
    // when false, only when its group or others have any access.
    bool exactMode = true;
};

// Makes `path` a private folder of `rules.owner`: created with mode 0700
// when it is missing; an existing one must be a folder (not a symbolic link)
// owned by the owner, and is narrowed to mode 0700 as `rules` say. "" when it
// is (or has been made) private; otherwise why not, for example when another
// user made it first.
QString MakePrivateFolder(const QString& path, const PrivateFolderRules& rules = {});

// "" when the existing `path` is a real folder owned by `owner` that no one
// else may write to; else why not. Makes and changes nothing.
QString PrivateFolderProblem(const QString& path, uid_t owner = ::geteuid());

// As PrivateFolderProblem, and no folder above `path` lets another user
// rename or replace it: each one up to the home folder (up to "/" for a
// folder outside it) belongs to `owner` or to root and no one else may write
// to it, unless it is sticky (as /tmp), where only an entry's owner may
// rename it.
QString PrivateFolderPathProblem(const QString& path, uid_t owner = ::geteuid());

// The folder for the lock files of `program`: the first of these that is, or
// can be made, a private folder of this user: the runtime folder
// `runtimeDir`; `cacheHome`/`program` (an absolute XDG_CACHE_HOME); the
// home's .cache/`program`; the temporary folder's `program`-<uid>. A folder
// that another user made first, or a link, is passed over. Empty when none
// can be had.
QString InstanceLockFolder(const QString& program, const QString& runtimeDir,
                           const QString& cacheHome);

}  // namespace common
