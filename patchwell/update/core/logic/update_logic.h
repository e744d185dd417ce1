#pragma once

// The steps of the download window: starting, pausing, resuming and
// cancelling the installer's download, and turning the control's events into
// the window's texts.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

#include "patchwell/platform/sealed_copy.h"
#include "patchwell/update/core/delta/download_plan.h"
#include "patchwell/update/core/logic/control_port.h"
#include "patchwell/update/core/manifest/signed_update.h"
#include "patchwell/update/core/services.h"

namespace patchwell::update {

class UpdateView {
public:
    virtual ~UpdateView() = default;
    virtual void RemoveCloseCommand() = 0;
    virtual void SetDownloadText(const QString& text) = 0;  // `download`
    virtual void SetSizeText(const QString& text) = 0;      // `lblCBytes`
    virtual void SetRateText(const QString& text) = 0;      // `lblRate`
    virtual void SetTimeText(const QString& text) = 0;      // `lblTime`
    virtual void SetStatusText(const QString& text) = 0;    // `lblStatus`
    virtual void SetErrorCodeText(const QString& text) = 0;
    virtual void SetPercentText(const QString& text) = 0;  // `lblpercent`
    virtual void SetTitle(const QString& text) = 0;
    virtual void SetPauseCaption(const QString& text) = 0;  // `Command4`
    virtual void SetProgressMaximum(int maximum) = 0;
    virtual int ProgressMinimum() const = 0;
    virtual int ProgressMaximum() const = 0;
    virtual void SetProgressValue(int value) = 0;
    virtual void StartTimer() = 0;
    virtual void StopTimer() = 0;
    virtual void ShowFrame(int index) = 0;  // picture of `anicon`(index) into `ani`
    virtual void HideWindow() = 0;
    virtual void ShowInstallWindow() = 0;  // creates and loads the installation window
};

// Looks at the installer the control has received, before it is installed.
// Returns why the file is refused (it is then deleted and the next address
// tried), or none when it may be installed.
using ReceivedFileCheck = std::function<MaybeRefusal(const QString& file)>;

class UpdateLogic {
public:
    // `manifest` is the check's accepted manifest; it outlives this.
    UpdateLogic(Services& services, UpdateView& view, ControlPort& dl1,
                const VerifiedManifest& manifest);

    // Replaces the check of the received installer (by default its length
    // and SHA-256 against those the manifest binds, see InstallerBindingProblem).
    void SetReceivedFileCheck(ReceivedFileCheck check);
    // A paragraph that the offer shows below "An update has been found".
    void SetOfferNote(const QString& note) { offerNote_ = note; }

    // Shows the offer. "Skip This Version" records that version as skipped
    // and starts the served program as it is, which ends the program.
    void Load();
    void OnStartClicked();   // Command1
    void OnPauseClicked();   // Command4
    void OnCancelClicked();  // Command2
    void OnTimerTick();
    // The session ends the program (log-off, shut-down, a termination
    // signal): drops the transfer and the partly received installer.
    void Unload();

    void OnDLComplete();
    void OnDLError(const QString& lpErrorDescription);
    void OnDLECode(qint32 lErrorCode);
    void OnRecievedBytes(qint64 lnumBYTES);
    void OnPercent(qint32 lPercent);
    void OnStatusChange(const QString& lpStatus);
    void OnRate(const QString& lpRate);
    void OnTimeLeft(const QString& lpTime);

    qint16 FrameCounter() const { return counter_; }

    // The patch and the compressed installer tried before the installer
    // itself (see PlanDownload), decided once from the control's address
    // and save location as the check left them.
    const std::vector<DeltaOffer>& Offers();
    // Where a patch or compressed installer is received: the kept
    // installers' private work folder, never the program folder.
    QString OfferFile(DeltaOffer::Kind kind) const;
    // The installer made from a patch or compressed download, verified and
    // sealed, once the installation window is to run it; null when the
    // installer itself was downloaded (the control's target file).
    const platform::SealedCopy* ReadyInstaller() const { return ready_.get(); }
    // The file the installer is saved as when downloaded itself: its name
    // in the installation step's reports.
    QString InstallerFile() const { return installerFile_; }

private:
    // One probe and transfer from the control's current address. True when
    // it failed in a way that the next address may mend.
    bool TryCurrentAddress();
    // Downloads `offer` and makes the installer of it. True when the
    // installation window took over or the update was cancelled; false
    // when the next kind of download is to follow.
    bool TryOffer(const DeltaOffer& offer);
    // Points the control at the installer itself and its first address.
    void PointAtInstaller();
    bool ExceedsBound(qint64 bytes) const;
    // Ends the update before anything more is fetched: `why` is shown, the
    // remote manifest goes, and the served program starts.
    void GiveUp(const QString& why);
    void ShowError(const QString& text);
    void SkipThisVersion();
    // More installer than the manifest binds, announced or received: this
    // address's download stops and its bytes go. True when that happened.
    bool StopOversizedInstaller(qint64 bytes);

    Services& services_;
    UpdateView& view_;
    ControlPort& dl1_;
    const VerifiedManifest& manifest_;
    ReceivedFileCheck check_;
    QString offerNote_;
    qint16 counter_ = 0;
    bool starting_ = false;  // a Start click is being handled
    QStringList addresses_;  // curverurl and its mirrors
    int addressIndex_ = 0;
    bool failed_ = false;     // the current address's attempt failed
    bool completed_ = false;  // a received file was accepted
    QString deferredError_;   // the current address's error, shown when none is left
    MaybeRefusal refusal_;    // why the current address's installer is not the bound one
    bool oversized_ = false;  // the current address sent more than the bound size
    bool planned_ = false;
    std::vector<DeltaOffer> offers_;
    std::size_t offerIndex_ = 0;         // the next offer to try
    const DeltaOffer* offer_ = nullptr;  // the offer being downloaded
    QString workFolder_;
    QString installerUrl_;   // curverurl, as the check set it
    QString installerFile_;  // the installer's save location, as the check set it
    bool cancelled_ = false;
    std::unique_ptr<platform::SealedCopy> ready_;
};

}  // namespace patchwell::update
