#pragma once

// Folders of the user's own for what patchwell keeps between runs (the
// signing state) and for its single-instance lock: below the user's state and
// cache folders, never a shared folder another user could write.

#include <QString>
#include <QStringList>

namespace patchwell::platform {

// $XDG_STATE_HOME/patchwell (an absolute XDG_STATE_HOME only), else
// ~/.local/state/patchwell.
QString UserStateFolder();

// Every state folder a run of this user may have used: UserStateFolder()
// first, then ~/.local/state/patchwell when that is another folder, so that a
// run without the session's XDG_STATE_HOME (a cron job) finds the same state.
QStringList UserStateFolders();

// $XDG_CACHE_HOME/patchwell (an absolute XDG_CACHE_HOME only), else
// ~/.cache/patchwell.
QString UserCacheFolder();

// Makes `path` (and missing parents) when it is missing, with mode 0700.
// Returns "" when the folder is fit for files only this user may change: a
// real folder, not a symbolic link, owned by this user; group and other bits
// of such a folder are cleared. Otherwise why it is not.
QString MakePrivateFolder(const QString& path);

// "" when the existing `path` is a real folder owned by this user that no
// one else may write to; else why not. Makes and changes nothing.
QString PrivateFolderProblem(const QString& path);

// As PrivateFolderProblem, and no folder above `path` lets another user
// rename or replace it: each one up to the home folder (up to "/" for a
// folder outside it) belongs to this user or to root and no one else may
// write to it, unless it is sticky (as /tmp), where only an entry's owner
// may rename it.
QString PrivateFolderPathProblem(const QString& path);

}  // namespace patchwell::platform
