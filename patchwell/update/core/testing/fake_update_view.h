#pragma once

// A download window for tests: it keeps what the update logic shows in it.

#include <QList>
#include <QStringList>

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
    void SetStatusText(const QString& t) override { status = t; }
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
    QString download, size, rate, time, status, errorCode, percent, title, pauseCaption;
    int maximum = 100;
    int value = 0;
    QList<int> frames;
};

}  // namespace patchwell::update
