#include "patchwell/update/windows/forms.h"

#include "patchwell/update/windows/frmchck.h"
#include "patchwell/update/windows/frmextract.h"
#include "patchwell/update/windows/frmupdl.h"

namespace patchwell::update {

Forms::Forms(Services& services, ControlFactory controlFactory)
    : services_(services), controlFactory_(std::move(controlFactory)) {}

Forms::~Forms() = default;

void Forms::Start(ScheduledCheck& scheduled, std::optional<ManifestAcceptance> checked) {
    chck().logic().UseSchedule(scheduled, std::move(checked));
    chck().Load();
}

void Forms::StartWithoutScheduleForTests() {
    chck().Load();
}

void Forms::InstallStaged(StagedInstall staged) {
    staged_ = std::move(staged);
    extract_ = std::make_unique<Frmextract>(*this);
    extract_->LoadStaged(*staged_->copy, staged_->manifest);
}

void Forms::Rollback() {
    // The window's own load is the installation step's; this is another.
    extract_ = std::make_unique<Frmextract>(*this);
    extract_->Rollback();
}

void Forms::Terminate() {
    // The unload waits with events running; a second signal meanwhile must
    // not start it again.
    if (terminating_) {
        return;
    }
    terminating_ = true;
    // While the installer runs, its file is left to it: only the download
    // window's own transfer is dropped.
    if (updl_ && !extract_) {
        updl_->logic().Unload();
    }
    services_.lifetime.End();
}

Frmchck& Forms::chck() {
    if (!chck_) {
        chck_ = std::make_unique<Frmchck>(*this);
    }
    return *chck_;
}

Frmupdl& Forms::updl() {
    if (!updl_) {
        updl_ = std::make_unique<Frmupdl>(*this);
        updl_->Load();
    }
    return *updl_;
}

Frmextract& Forms::extract() {
    if (!extract_) {
        extract_ = std::make_unique<Frmextract>(*this);
        extract_->Load();
    }
    return *extract_;
}

}  // namespace patchwell::update
