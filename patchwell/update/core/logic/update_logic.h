#pragma once

// The steps of the download window: starting, pausing, resuming and
// cancelling the installer's download, and turning the control's events into
// the window's texts.

#include <QString>
#include <QStringList>

#include <functional>

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

private:
    // One probe and transfer from the control's current address. True when
    // it failed in a way that the next address may mend.
    bool TryCurrentAddress();
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
};

}  // namespace patchwell::update
