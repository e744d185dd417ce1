#pragma once

// Folders of the user's own for what patchwell keeps between runs (the
// signing state, the manifest cache, the program's copies): below the user's
// state and cache folders, never a shared folder another user could write.

#include <QString>
#include <QStringList>

#include <unistd.h>

#include "common/process/private_folder.h"

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

// How patchwell makes and checks the folders above (common::MakePrivateFolder):
// owned by the effective user, missing parents made, and an existing folder
// narrowed to 0700 only when its group or others have any access.
inline common::PrivateFolderRules UserFolderRules() {
    return {::geteuid(), true, false};
}

}  // namespace patchwell::platform
