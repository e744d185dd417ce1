#pragma once

// One tilebay per user and display: an exclusive lock (flock) on a file in
// $XDG_RUNTIME_DIR (else a private folder of the user, see
// common::InstanceLockFolder) whose name carries the display. The kernel drops the lock when its
// holder ends in whatever way, so a crashed panel never blocks the next one.

#include <QString>

#include "common/process/instance_lock.h"

namespace tilebay {

using common::InstanceLock;

// The folder of the lock: `runtimeDir` when there is one; else a private
// folder of the current user (mode 0700, owner checked: the cache folder's
// "tilebay", else the temporary folder's "tilebay-<uid>"); empty when none
// can be had.
QString InstanceFolder(const QString& runtimeDir);

// The lock file for `display` (":0", "host:1.0", empty for none) of the
// current user; empty when there is no safe folder for it.
QString InstanceLockPath(const QString& runtimeDir, const QString& display);

}  // namespace tilebay
