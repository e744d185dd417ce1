#pragma once

// The steps of the check window: single-instance guard, reading the local
// manifest, fetching the remote one and comparing versions.

#include <QString>

#include <optional>

#include "patchwell/update/core/check/fetch.h"
#include "patchwell/update/core/logic/control_port.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/manifest/signed_update.h"
#include "patchwell/update/core/services.h"

namespace patchwell::update {

// What the check logic needs of its window and of the download window.
class CheckView {
public:
    virtual ~CheckView() = default;
    virtual void MakeTopmost() = 0;
    virtual void HideWindow() = 0;
    virtual void ShowWindow() = 0;
    virtual void StopTimer() = 0;
    // The download window's control. The first call creates the download
    // window, which runs its load steps before this returns.
    virtual ControlPort& DownloadWindowControl() = 0;
    virtual void ShowDownloadWindow() = 0;
};

class CheckLogic {
public:
    CheckLogic(Services& services, CheckView& view, ControlPort& dl1);

    // The window's load: the program's start. Runs the whole check; the
    // completion handler runs inside it. When it returns with the program
    // still running and no download window open, the window has been shown.
    void Load();

    // The check runs as the program runs it: on the schedule of update.ini,
    // quietly when asked, within its time limit, with conditional requests
    // against the user's manifest cache. It goes on from what the start
    // without windows learnt (which began `scheduled` and decided the
    // start): the check it made, or none to make one. The program always
    // calls this before Load.
    void UseSchedule(ScheduledCheck& scheduled, std::optional<ManifestAcceptance> checked) {
        scheduled_ = &scheduled;
        checked_ = std::move(checked);
    }

    // The tests' entry, which the program never takes: loaded without
    // UseSchedule, the check has the control dl1 fetch the manifest
    // (FetchThroughControl), so that the window's steps can be driven by a
    // fake control alone. These two handlers serve only that fetch.
    void OnDLComplete();
    // Breaks off a remote manifest that grows past its limit.
    void OnRecievedBytes(qint64 lnumBYTES);
    void OnOkClicked();
    void OnTimerTick();

    // The accepted remote manifest, handed on to the download window and
    // the installation step.
    VerifiedManifest manifest;
    // What the offer says besides "An update has been found" (a metered
    // connection); empty for nothing.
    QString offerNote;

    bool Ended() const { return ended_; }
    bool DownloadWindowOpened() const { return downloadWindowOpened_; }

private:
    void End();
    // The check ends as "up to date": message, manifest gone, program started.
    void UpToDate();
    void RunScheduled();
    // The tests' entry (see OnDLComplete): dl1 fetches the manifest.
    void FetchThroughControl();
    // The check goes on with the remote manifest `bytes` as the check
    // accepted or refused them.
    void Continue(const ManifestAcceptance& accepted);
    // The check could not be carried out: the window says so, or, quiet,
    // the served program starts.
    void NotCarriedOut();
    // The update could not be verified: the box, then, quiet, the served
    // program as it is.
    void Refuse(const Refusal& reason);
    void StartServedAndEnd();
    bool Quiet() const { return scheduled_ != nullptr && scheduled_->Settings().quiet; }

    Services& services_;
    CheckView& view_;
    ControlPort& dl1_;
    QString localVersion_;  // update.ini's prgver
    QString checkUrl_;      // update.ini's verchckurl
    bool ended_ = false;
    bool downloadWindowOpened_ = false;
    bool manifestTooLarge_ = false;
    ScheduledCheck* scheduled_ = nullptr;
    std::optional<ManifestAcceptance> checked_;
    // The signing state in force, established once at the load.
    TrustInForce trust_;
};

}  // namespace patchwell::update
