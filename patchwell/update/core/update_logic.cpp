#include "update_logic.h"

#include "formatting.h"
#include "manifest.h"
#include "texts.h"

namespace patchwell::update {

UpdateLogic::UpdateLogic(Services& services, UpdateView& view, ControlPort& dl1,
                         const VerifiedManifest& manifest)
    : services_(services), view_(view), dl1_(dl1), manifest_(manifest) {}

void UpdateLogic::Load() {
    services_.messages.ShowWithDetails(texts::UpdateFound(), manifest_.releaseNotes,
                                       platform::MessageIcon::Information,
                                       texts::ApplicationTitle());
    view_.RemoveCloseCommand();
}

void UpdateLogic::OnStartClicked() {
    view_.SetDownloadText(texts::DownloadingFile() + dl1_.Url());
    // A second click while the first one's probe still waits for the server
    // (the control reports no transfer yet) must not start a second one on
    // the same control.
    if (dl1_.CPause() || dl1_.InDL() || starting_) {
        return;
    }
    struct Starting {
        bool& flag;
        explicit Starting(bool& f) : flag(f) { flag = true; }
        ~Starting() { flag = false; }
    } starting(starting_);
    dl1_.GetFileInformation();
    if (dl1_.FileSize() <= 0 || RefuseOversizedInstaller(dl1_.FileSize())) {
        return;
    }
    view_.StartTimer();
    view_.SetProgressMaximum(dl1_.FileSize());
    dl1_.download();
}

void UpdateLogic::OnPauseClicked() {
    if (dl1_.CPause()) {
        dl1_.Pause(false);
        view_.StartTimer();
        view_.SetPauseCaption(texts::PauseUpdate());
    } else {
        dl1_.Pause(true);
        view_.StopTimer();
        view_.SetPauseCaption(texts::ResumeUpdate());
    }
}

void UpdateLogic::OnCancelClicked() {
    dl1_.Cancel();
    // The program ends next either way; a manifest that is already gone or
    // cannot be removed is simply left to the next check to overwrite.
    DeleteFileAt(RemoteManifestPath(services_.programFolder));
    services_.lifetime.End();
}

void UpdateLogic::OnTimerTick() {
    view_.ShowFrame(counter_);
    counter_ = NextFrame(counter_);
}

void UpdateLogic::Unload() {
    dl1_.Cancel();
    services_.lifetime.Wait(5000);
    // The file the control wrote, which with the URL's extension kept is not
    // the save location; nothing when no transfer has begun.
    const QString written = dl1_.TargetFile();
    if (!written.isEmpty()) {
        DeleteFileAt(written);
    }
}

bool UpdateLogic::RefuseOversizedInstaller(qint64 bytes) {
    if (refused_ || !ExceedsBoundSize(manifest_, bytes)) {
        return refused_;
    }
    refused_ = true;
    dl1_.Cancel();
    RefuseUnverifiedUpdate(services_, dl1_.TargetFile(), texts::refusal::WrongLength());
    services_.lifetime.End();
    return true;
}

void UpdateLogic::OnDLComplete() {
    if (refused_) {
        return;
    }
    view_.HideWindow();
    services_.lifetime.Wait(500);
    view_.ShowInstallWindow();
}

void UpdateLogic::OnDLError(const QString& lpErrorDescription) {
    if (refused_) {
        return;  // the end of a download stopped for its size
    }
    services_.messages.Show(lpErrorDescription, platform::MessageIcon::None,
                            texts::ApplicationTitle());
}

void UpdateLogic::OnDLECode(qint32 lErrorCode) {
    view_.SetErrorCodeText(ErrorCodeText(lErrorCode));
}

void UpdateLogic::OnRecievedBytes(qint32 lnumBYTES) {
    if (RefuseOversizedInstaller(lnumBYTES)) {
        return;
    }
    view_.SetProgressValue(
        ClampProgress(lnumBYTES, view_.ProgressMinimum(), view_.ProgressMaximum()));
    view_.SetSizeText(SizeLabelText(lnumBYTES, dl1_.FileSize()));
}

void UpdateLogic::OnPercent(qint32 lPercent) {
    view_.SetPercentText(PercentLabelText(lPercent));
    view_.SetTitle(PercentTitleText(lPercent));
}

void UpdateLogic::OnStatusChange(const QString& lpStatus) {
    view_.SetStatusText(texts::StatusPrefix() + lpStatus);
}

void UpdateLogic::OnRate(const QString& lpRate) {
    view_.SetRateText(texts::RatePrefix() + lpRate);
}

void UpdateLogic::OnTimeLeft(const QString& lpTime) {
    view_.SetTimeText(texts::TimePrefix() + lpTime);
}

}  // namespace patchwell::update
