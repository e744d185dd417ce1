#pragma once

// The cheapest start of all: within checkhours of the last completed check,
// or before the server's notbefore, nothing is asked and nothing is shown. It
// needs only update.ini, the lock, the folder and a process start, so
// patchwell's front makes it without loading the libraries of the windows,
// the network or the signatures (see platform/whole_program.h).

#include <QDateTime>
#include <QString>

#include "patchwell/platform/folder_storage.h"
#include "patchwell/platform/instance_guard.h"
#include "patchwell/platform/process_launcher.h"

namespace patchwell::update {

// True when this start makes no request and the served program of
// `programFolder` has been started (or update.ini names none), with the
// instance slot claimed and the folder as the check needs it. False, having
// started nothing, whenever the whole program has something to do: a check
// to make, another instance, a folder it cannot use, a served program that
// would not start (the whole program says so), an update staged to install.
bool StartWithinSchedule(platform::InstanceGuard& guard, platform::FolderStorage& storage,
                         platform::ProcessLauncher& launcher, const QString& programFolder,
                         const QDateTime& nowUtc);

// When the whole program cannot run at all: the served program of
// `programFolder` starts all the same, unchecked, unless another instance
// holds the slot (it may be installing). True when it was started (or
// update.ini names none).
bool StartUnchecked(platform::InstanceGuard& guard, platform::ProcessLauncher& launcher,
                    const QString& programFolder);

}  // namespace patchwell::update
