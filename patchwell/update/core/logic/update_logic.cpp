#include "patchwell/update/core/logic/update_logic.h"

#include <QFile>

#include "common/ini/ini.h"
#include "common/paths/program_path.h"
#include "patchwell/download/control/download_texts.h"
#include "patchwell/update/core/check/schedule.h"
#include "patchwell/update/core/folder_checks.h"
#include "patchwell/update/core/formatting.h"
#include "patchwell/update/core/installer_sources.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/texts.h"

namespace patchwell::update {

UpdateLogic::UpdateLogic(Services& services, UpdateView& view, ControlPort& dl1,
                         const VerifiedManifest& manifest)
    : services_(services), view_(view), dl1_(dl1), manifest_(manifest) {
    // The installer that arrived must be the one the manifest binds. The
    // installation step checks its sealed copy again; this check only
    // decides whether the next address is worth a try.
    check_ = [this](const QString& file) {
        QFile received(common::LocalPath(file));
        if (!received.open(QIODevice::ReadOnly)) {
            return manifest_.BindsInstaller()
                       ? MaybeRefusal(Refusal{RefusalKind::UnreadableInstaller})
                       : std::nullopt;
        }
        return InstallerBindingProblem(manifest_, received.handle());
    };
}

void UpdateLogic::SetReceivedFileCheck(ReceivedFileCheck check) {
    check_ = std::move(check);
}

void UpdateLogic::Load() {
    const QString note = offerNote_.isEmpty() ? QString() : QStringLiteral("\n\n") + offerNote_;
    if (services_.messages.ShowOffer(texts::UpdateFound() + note, manifest_.releaseNotes,
                                     texts::SkipThisVersion(), platform::MessageIcon::Information,
                                     texts::ApplicationTitle())) {
        SkipThisVersion();
        return;
    }
    view_.RemoveCloseCommand();
}

void UpdateLogic::SkipThisVersion() {
    // Not offered again (see SkipsVersion); the program starts as it is.
    const QString localFile = LocalManifestPath(services_.programFolder);
    if (!RecordSkippedVersion(services_.programFolder, manifest_.values.curver)) {
        services_.messages.Show(texts::CouldNotSkip(manifest_.values.curver, localFile),
                                platform::MessageIcon::Warning, texts::ApplicationTitle());
    }
    DeleteFileAt(RemoteManifestPath(services_.programFolder));
    StartServedProgram(services_, common::ReadIniValue(QStringLiteral("Program"),
                                                       QStringLiteral("exe"), localFile));
    services_.lifetime.End();
}

void UpdateLogic::OnStartClicked() {
    const bool busy = dl1_.CPause() || dl1_.InDL() || starting_;
    // Each click tries curverurl and then every mirror once, until one
    // delivers; only when the last has failed does the user see its error.
    if (!busy && !addresses_.isEmpty()) {
        addressIndex_ = 0;
        if (dl1_.Url() != addresses_.first()) {
            dl1_.setUrl(addresses_.first());
        }
    }
    view_.SetDownloadText(texts::DownloadingFile(dl1_.Url()));
    // A second click while the first one's probe still waits for the server
    // (the control reports no transfer yet) must not start a second one on
    // the same control.
    if (busy) {
        return;
    }
    struct Starting {
        bool& flag;
        explicit Starting(bool& f) : flag(f) { flag = true; }
        ~Starting() { flag = false; }
    } starting(starting_);
    if (addresses_.isEmpty()) {
        addresses_ = InstallerAddresses(dl1_.Url(), manifest_.values.curvermirrors);
        addressIndex_ = 0;
    }
    while (TryCurrentAddress()) {
        if (addressIndex_ + 1 >= addresses_.size()) {
            // The last address delivered another installer than the bound
            // one: the update is refused like any that cannot be verified.
            if (refusal_) {
                RefuseUnverifiedUpdate(services_, dl1_.TargetFile(), *refusal_);
                services_.lifetime.End();
            } else if (!deferredError_.isEmpty()) {
                services_.messages.Show(deferredError_, platform::MessageIcon::None,
                                        texts::ApplicationTitle());
            }
            return;
        }
        ++addressIndex_;
        dl1_.setUrl(addresses_[addressIndex_]);
        view_.SetDownloadText(texts::DownloadingFile(dl1_.Url()));
    }
}

bool UpdateLogic::TryCurrentAddress() {
    failed_ = false;
    completed_ = false;
    oversized_ = false;
    deferredError_.clear();
    refusal_.reset();
    dl1_.GetFileInformation();
    if (dl1_.FileSize() <= 0 || StopOversizedInstaller(dl1_.FileSize())) {
        return true;
    }
    // Without a bound size, the size the server gives is what must fit.
    if (!manifest_.BindsInstaller()) {
        const MaybeRefusal shortcoming =
            FolderShortcoming(services_.storage, services_.programFolder, dl1_.FileSize());
        if (shortcoming) {
            GiveUp(RefusalText(*shortcoming));
            return false;
        }
    }
    view_.StartTimer();
    view_.SetProgressMaximum(static_cast<int>(ProgressUnits(dl1_.FileSize(), dl1_.FileSize())));
    dl1_.download();  // OnDLComplete or OnDLError run inside this call
    return (failed_ || oversized_) && !completed_;
}

bool UpdateLogic::StopOversizedInstaller(qint64 bytes) {
    if (oversized_ || !ExceedsBoundSize(manifest_, bytes)) {
        return oversized_;
    }
    oversized_ = true;
    refusal_ = Refusal{RefusalKind::WrongLength};
    dl1_.Cancel();
    const QString written = dl1_.TargetFile();
    if (!written.isEmpty()) {
        DeleteFileAt(written);
    }
    return true;
}

void UpdateLogic::GiveUp(const QString& why) {
    services_.messages.Show(why, platform::MessageIcon::Warning, texts::ApplicationTitle());
    DeleteFileAt(RemoteManifestPath(services_.programFolder));
    StartServedProgram(services_,
                       common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("exe"),
                                            LocalManifestPath(services_.programFolder)));
    services_.lifetime.End();
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

void UpdateLogic::OnDLComplete() {
    if (oversized_) {
        return;
    }
    // The hook for every check of the received file: one that fails it counts
    // as a failed download from this address.
    const QString written = dl1_.TargetFile();
    const MaybeRefusal refused = check_ ? check_(written) : std::nullopt;
    if (refused) {
        DeleteFileAt(written);
        failed_ = true;
        refusal_ = refused;
        ShowError(texts::ReceivedFileRefused(dl1_.Url(), RefusalText(*refused)));
        return;
    }
    completed_ = true;
    view_.HideWindow();
    services_.lifetime.Wait(500);
    view_.ShowInstallWindow();
}

void UpdateLogic::OnDLError(const QString& lpErrorDescription) {
    if (oversized_) {
        return;  // the end of a download stopped for its size
    }
    failed_ = true;
    ShowError(download::texts::Shown(lpErrorDescription));
}

void UpdateLogic::ShowError(const QString& text) {
    // While further addresses remain, the error waits: it is shown only when
    // it is the last address's. A refusal of the last address's installer is
    // reported by the refusal itself.
    if (starting_ && (addressIndex_ + 1 < addresses_.size() || refusal_)) {
        deferredError_ = text;
        return;
    }
    services_.messages.Show(text, platform::MessageIcon::None, texts::ApplicationTitle());
}

void UpdateLogic::OnDLECode(qint32 lErrorCode) {
    view_.SetErrorCodeText(ErrorCodeText(lErrorCode));
}

void UpdateLogic::OnRecievedBytes(qint64 lnumBYTES) {
    if (StopOversizedInstaller(lnumBYTES)) {
        return;
    }
    view_.SetProgressValue(ClampProgress(ProgressUnits(lnumBYTES, dl1_.FileSize()),
                                         view_.ProgressMinimum(), view_.ProgressMaximum()));
    view_.SetSizeText(SizeLabelText(lnumBYTES, dl1_.FileSize()));
}

void UpdateLogic::OnPercent(qint32 lPercent) {
    view_.SetPercentText(PercentLabelText(lPercent));
    view_.SetTitle(PercentTitleText(lPercent));
}

void UpdateLogic::OnStatusChange(const QString& lpStatus) {
    view_.SetStatusText(texts::Status(download::texts::Shown(lpStatus)));
}

void UpdateLogic::OnRate(const QString& lpRate) {
    view_.SetRateText(texts::Rate(download::texts::Shown(lpRate)));
}

void UpdateLogic::OnTimeLeft(const QString& lpTime) {
    view_.SetTimeText(texts::TimeRemaining(download::texts::Shown(lpTime)));
}

}  // namespace patchwell::update
