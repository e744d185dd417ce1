#pragma once

// The three windows of the program. Like the windows of the original design,
// each is created on its first access, which runs its load steps.

#include <memory>
#include <optional>

#include "patchwell/update/core/manifest/signed_update.h"
#include "patchwell/update/core/services.h"
#include "patchwell/update/core/staged/staged_update.h"
#include "patchwell/update/windows/control_adapter.h"

namespace patchwell::update {

class Frmchck;
class ScheduledCheck;
class Frmupdl;
class Frmextract;

class Forms {
public:
    Forms(Services& services, ControlFactory controlFactory);
    ~Forms();
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    // Creates the check window and runs its load: the program's start. The
    // check runs by the schedule, from what the start without windows learnt
    // (see CheckLogic::UseSchedule).
    void Start(ScheduledCheck& scheduled, std::optional<ManifestAcceptance> checked);
    // The tests' entry, which the program never takes: the check window's
    // load without a schedule, its control fetching the manifest (see
    // CheckLogic::OnDLComplete).
    void StartWithoutScheduleForTests();
    // The program's start with an update staged by an earlier one, checked
    // and sealed: the installation window runs it, with no check and no
    // download window.
    void InstallStaged(StagedInstall staged);
    // `patchwell --rollback` (see RollbackLogic), in the installation
    // window; ends the program.
    void Rollback();

    // The session ends the program (a termination signal): the download
    // window, when open, drops its transfer and partial installer first.
    void Terminate();

    Frmchck& chck();        // created without running anything
    Frmupdl& updl();        // created and loaded on first access
    Frmextract& extract();  // created on first access; its load ends the program

    Frmupdl* updlIfLoaded() const { return updl_.get(); }
    Frmextract* extractIfLoaded() const { return extract_.get(); }

    Services& services() { return services_; }
    const ControlFactory& controlFactory() const { return controlFactory_; }

private:
    Services& services_;
    ControlFactory controlFactory_;
    std::unique_ptr<Frmchck> chck_;
    std::unique_ptr<Frmupdl> updl_;
    std::unique_ptr<Frmextract> extract_;
    std::optional<StagedInstall> staged_;
    bool terminating_ = false;
};

}  // namespace patchwell::update
