#pragma once

// The download of a staged update (`patchwell --stage`, which the start that
// found the update starts detached and at low priority): the patch from the
// installer kept here where the manifest offers one, else the compressed
// installer, else the installer from its address and mirrors, each into the
// staged folder's download file of its own (continued with a range request
// by the next run), bounded by its declared size, through the same
// connection rules as every request. It stops as soon as the connection is
// metered, keeping what it has. The result is made into a sealed copy,
// checked against the manifest and only then staged as the installer.
// One download at a time per program folder: a lock in the user's lock
// folder.

#include <memory>

#include "patchwell/platform/network_cost.h"
#include "patchwell/update/core/services.h"

namespace patchwell::download {
class DownLoadEnvironment;
}

namespace patchwell::update {

enum class StageOutcome {
    Staged,         // the installer is staged for the next start
    AlreadyStaged,  // it was before this run
    Busy,           // another run downloads it
    Metered,        // the connection became metered: the rest comes later
    Nothing,        // no manifest kept, or one that no longer passes (deleted)
    Failed,         // no address delivered the bound installer
};

// `environment` null: the control's own (libcurl, the system's clock and
// connection state, dialogs that answer themselves).
StageOutcome DownloadStagedUpdate(Services& services, platform::NetworkCost& cost,
                                  std::shared_ptr<download::DownLoadEnvironment> environment = {});

}  // namespace patchwell::update
