#include "patchwell/update/core/logic/update_logic.h"

#include <QFile>
#include <QLoggingCategory>

#include "common/ini/ini.h"
#include "common/paths/program_path.h"
#include "patchwell/download/control/download_texts.h"
#include "patchwell/update/core/check/schedule.h"
#include "patchwell/update/core/delta/delta_installer.h"
#include "patchwell/update/core/folder_checks.h"
#include "patchwell/update/core/formatting.h"
#include "patchwell/update/core/installer_sources.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/texts.h"

Q_LOGGING_CATEGORY(lcDelta, "patchwell.update.delta")

namespace patchwell::update {

namespace {

const char* KindName(DeltaOffer::Kind kind) {
    return kind == DeltaOffer::Kind::Patch ? "patch" : "compressed installer";
}

}  // namespace

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

const std::vector<DeltaOffer>& UpdateLogic::Offers() {
    if (planned_) {
        return offers_;
    }
    planned_ = true;
    installerUrl_ = dl1_.Url();
    installerFile_ = dl1_.SaveLocation();
    // Only a bound installer can be made of anything else; without one the
    // kept installers are not even looked at.
    if (!manifest_.BindsInstaller()) {
        return offers_;
    }
    const KeptInstallers kept(services_.stateFolders, services_.programFolder);
    workFolder_ = kept.WorkFolder();
    // A run that was killed may have left a file on its way in.
    for (const DeltaOffer::Kind kind : {DeltaOffer::Kind::Patch, DeltaOffer::Kind::Compressed}) {
        if (!workFolder_.isEmpty()) {
            DeleteFileAt(OfferFile(kind));
        }
    }
    offers_ = PlanDownload(manifest_, kept);
    if (!offers_.empty() && workFolder_.isEmpty()) {
        qCWarning(lcDelta) << "no private folder to receive a patch in; the installer comes whole";
        offers_.clear();
    }
    return offers_;
}

QString UpdateLogic::OfferFile(DeltaOffer::Kind kind) const {
    return workFolder_ + (kind == DeltaOffer::Kind::Patch ? QStringLiteral("/update.zstpatch")
                                                          : QStringLiteral("/update.zst"));
}

void UpdateLogic::PointAtInstaller() {
    if (dl1_.Url() != installerUrl_) {
        dl1_.setUrl(installerUrl_);
    }
    if (dl1_.SaveLocation() != installerFile_) {
        dl1_.setSaveLocation(installerFile_);
    }
}

void UpdateLogic::OnStartClicked() {
    const bool busy = dl1_.CPause() || dl1_.InDL() || starting_;
    // A patch or compressed installer still to try names its own address.
    const bool offering = !busy && offerIndex_ < Offers().size();
    if (!offering && !busy && !addresses_.isEmpty()) {
        // Each click tries curverurl and then every mirror once, until one
        // delivers; only when the last has failed does the user see its error.
        addressIndex_ = 0;
        if (dl1_.Url() != addresses_.first()) {
            dl1_.setUrl(addresses_.first());
        }
    }
    if (!offering) {
        view_.SetDownloadText(texts::DownloadingFile(dl1_.Url()));
    }
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
    // A patch and a compressed installer are each tried once per run; any
    // failure of one goes on with the next kind, in this click.
    while (offerIndex_ < offers_.size()) {
        const DeltaOffer& offer = offers_[offerIndex_++];
        if (TryOffer(offer)) {
            return;
        }
        view_.SetStatusText(texts::Status(offer.kind == DeltaOffer::Kind::Patch
                                              ? texts::PatchNotUsed()
                                              : texts::CompressedNotUsed()));
    }
    if (offering) {
        PointAtInstaller();
        view_.SetDownloadText(texts::DownloadingFile(dl1_.Url()));
    }
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

bool UpdateLogic::TryOffer(const DeltaOffer& offer) {
    const QString file = OfferFile(offer.kind);
    dl1_.setUrl(offer.address);
    dl1_.setSaveLocation(file);
    view_.SetDownloadText(texts::DownloadingFile(offer.address));
    offer_ = &offer;
    const bool failed = TryCurrentAddress();
    offer_ = nullptr;
    if (cancelled_) {
        return true;
    }
    DeltaInstaller made;
    if (!failed && completed_) {
        made = InstallerFromDelta(manifest_, offer, file,
                                  KeptInstallers(services_.stateFolders, services_.programFolder));
    } else if (oversized_) {
        made.detail = QStringLiteral("longer than announced");
    } else {
        made.detail = deferredError_.isEmpty() ? QStringLiteral("not received") : deferredError_;
    }
    // Used or not, the received file has done its part.
    DeleteFileAt(file);
    if (!made.copy) {
        qCInfo(lcDelta).noquote() << "the" << KindName(offer.kind) << offer.address
                                  << "could not be used:" << made.detail;
        return false;
    }
    qCInfo(lcDelta).noquote() << "the installer was made from the" << KindName(offer.kind)
                              << offer.address;
    ready_ = std::move(made.copy);
    view_.HideWindow();
    services_.lifetime.Wait(500);
    view_.ShowInstallWindow();
    return true;
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

bool UpdateLogic::ExceedsBound(qint64 bytes) const {
    // A patch or compressed file is bound by its own declared length.
    return offer_ != nullptr ? bytes > offer_->size : ExceedsBoundSize(manifest_, bytes);
}

bool UpdateLogic::StopOversizedInstaller(qint64 bytes) {
    if (oversized_ || !ExceedsBound(bytes)) {
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
    cancelled_ = true;
    dl1_.Cancel();
    if (offer_ != nullptr) {
        DeleteFileAt(OfferFile(offer_->kind));
    }
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
    // A patch or compressed file is checked and used once the transfer is
    // over (see TryOffer).
    if (offer_ != nullptr) {
        completed_ = true;
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
    // reported by the refusal itself. A patch's error only leads to the next
    // download.
    if (offer_ != nullptr) {
        deferredError_ = text;
        return;
    }
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
