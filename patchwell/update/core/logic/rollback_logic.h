#pragma once

// `patchwell --rollback`: the user goes back to the version installed
// before the current one, by running again the installer that installed it
// (kept, with its SHA-256, when it ran; see delta/kept_installers.h). It is
// the user's own act on bytes that were verified when they first ran, so no
// manifest is fetched and the signing state stays as it is: no manifest
// older than the newest one seen is taken afterwards.

#include "patchwell/update/core/logic/install_logic.h"
#include "patchwell/update/core/services.h"

namespace patchwell::update {

class RollbackLogic {
public:
    // `view` is the installation window, shown while the installer runs.
    RollbackLogic(Services& services, InstallView& view);

    // Asks, naming both versions (Yes, the default, goes back), then runs
    // the previous installer from a sealed copy whose length and digest are
    // those kept, with "/auto" and the program folder, and waits for it.
    // When it exits 0, the version left is recorded as skipped and the kept
    // installers follow what is installed now. Without a previous installer,
    // or with one that changed since, the user is told and nothing changes.
    // Every way ends with the served program started, as a check does, and
    // ends the program; another instance at work is only reported.
    void Run();

private:
    void StartServedAndEnd();

    Services& services_;
    InstallView& view_;
};

}  // namespace patchwell::update
