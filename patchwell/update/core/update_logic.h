#pragma once

// The steps of the download window: starting, pausing, resuming and
// cancelling the installer's download, and turning the control's events into
// the window's texts.

#include <QString>

#include "control_port.h"
#include "services.h"
#include "signed_update.h"

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

class UpdateLogic {
public:
    // `manifest` is the check's accepted manifest; it outlives this.
    UpdateLogic(Services& services, UpdateView& view, ControlPort& dl1,
                const VerifiedManifest& manifest);

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
    void OnRecievedBytes(qint32 lnumBYTES);
    void OnPercent(qint32 lPercent);
    void OnStatusChange(const QString& lpStatus);
    void OnRate(const QString& lpRate);
    void OnTimeLeft(const QString& lpTime);

    qint16 FrameCounter() const { return counter_; }

private:
    // More installer than the manifest binds: the download stops, its bytes
    // go and the update is refused. True when that happened.
    bool RefuseOversizedInstaller(qint64 bytes);

    Services& services_;
    UpdateView& view_;
    ControlPort& dl1_;
    const VerifiedManifest& manifest_;
    bool refused_ = false;
    qint16 counter_ = 0;
    bool starting_ = false;  // a Start click is being handled
};

}  // namespace patchwell::update
