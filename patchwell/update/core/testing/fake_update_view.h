#pragma once

// The download and installation windows for tests: they keep what the update
// and installation logic show in them.

#include <QList>
#include <QStringList>

#include "patchwell/update/core/logic/install_logic.h"
#include "patchwell/update/core/logic/update_logic.h"

namespace patchwell::update {

class FakeUpdateView : public UpdateView {
public:
    void RemoveCloseCommand() override { log << QStringLiteral("removeClose"); }
    void SetDownloadText(const QString& t) override {
        download = t;
        downloads << t;
    }
    void SetSizeText(const QString& t) override { size = t; }
    void SetRateText(const QString& t) override { rate = t; }
    void SetTimeText(const QString& t) override { time = t; }
    void SetStatusText(const QString& t) override {
        status = t;
        statuses << t;
    }
    void SetErrorCodeText(const QString& t) override { errorCode = t; }
    void SetPercentText(const QString& t) override { percent = t; }
    void SetTitle(const QString& t) override { title = t; }
    void SetPauseCaption(const QString& t) override { pauseCaption = t; }
    void SetProgressMaximum(int m) override { maximum = m; }
    int ProgressMinimum() const override { return 0; }
    int ProgressMaximum() const override { return maximum; }
    void SetProgressValue(int v) override { value = v; }
    void StartTimer() override { log << QStringLiteral("startTimer"); }
    void StopTimer() override { log << QStringLiteral("stopTimer"); }
    void ShowFrame(int index) override { frames << index; }
    void HideWindow() override { log << QStringLiteral("hide"); }
    void ShowInstallWindow() override { log << QStringLiteral("showInstall"); }

    QStringList log;
    QStringList downloads;  // every download text, in turn
    QStringList statuses;   // every status text, in turn
    QString download, size, rate, time, status, errorCode, percent, title, pauseCaption;
    int maximum = 100;
    int value = 0;
    QList<int> frames;
};

class FakeInstallView : public InstallView {
public:
    void HideDownloadWindow() override { log << QStringLiteral("hideDownload"); }
    void ShowWindow() override { log << QStringLiteral("show"); }
    void MakeTopmost() override { log << QStringLiteral("topmost"); }
    void SetProgramName(const QString& name) override { log << QStringLiteral("name=") + name; }
    QStringList log;
};

// Hands the control's events to `logic`, as the download window does.
inline void ConnectEvents(ControlPort& dl1, UpdateLogic& logic) {
    QObject::connect(&dl1, &ControlPort::DLComplete, [&logic] { logic.OnDLComplete(); });
    QObject::connect(&dl1, &ControlPort::DLError,
                     [&logic](const QString& s) { logic.OnDLError(s); });
    QObject::connect(&dl1, &ControlPort::DLECode, [&logic](qint32 c) { logic.OnDLECode(c); });
    QObject::connect(&dl1, &ControlPort::RecievedBytes,
                     [&logic](qint64 n) { logic.OnRecievedBytes(n); });
    QObject::connect(&dl1, &ControlPort::Percent, [&logic](qint32 p) { logic.OnPercent(p); });
    QObject::connect(&dl1, &ControlPort::StatusChange,
                     [&logic](const QString& s) { logic.OnStatusChange(s); });
    QObject::connect(&dl1, &ControlPort::Rate, [&logic](const QString& s) { logic.OnRate(s); });
    QObject::connect(&dl1, &ControlPort::TimeLeft,
                     [&logic](const QString& s) { logic.OnTimeLeft(s); });
}

}  // namespace patchwell::update
