#pragma once

#include <QWidget>

#include <memory>
#include <vector>

#include "patchwell/update/core/logic/update_logic.h"
#include "patchwell/update/windows/window_support.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace patchwell::update {

class Forms;

// The update download window: start, pause, resume and cancel the installer's
// download and watch its progress.
class Frmupdl : public QWidget, private UpdateView {
    Q_OBJECT

public:
    explicit Frmupdl(Forms& forms);
    ~Frmupdl() override;

    void Load();

    UpdateLogic& logic() { return *logic_; }
    ControlPort& dl1() { return *dl1_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void RemoveCloseCommand() override;
    void SetDownloadText(const QString& text) override;
    void SetSizeText(const QString& text) override;
    void SetRateText(const QString& text) override;
    void SetTimeText(const QString& text) override;
    void SetStatusText(const QString& text) override;
    void SetErrorCodeText(const QString& text) override;
    void SetPercentText(const QString& text) override;
    void SetTitle(const QString& text) override;
    void SetPauseCaption(const QString& text) override;
    void SetProgressMaximum(int maximum) override;
    int ProgressMinimum() const override;
    int ProgressMaximum() const override;
    void SetProgressValue(int value) override;
    void StartTimer() override;
    void StopTimer() override;
    void ShowFrame(int index) override;
    void HideWindow() override;
    void ShowInstallWindow() override;

    void SetLabel(QLabel* label, const QString& text);
    // Room for the longest texts each label and button can come to show.
    void ReserveLongestTexts();

    Forms& forms_;
    QLabel* Label1;
    QLabel* download;
    QLabel* lblCBytes;
    QLabel* lblRate;
    QLabel* lblTime;
    QLabel* lblStatus;
    QLabel* ani;
    QLabel* lblpercent;
    QProgressBar* ProgressBar1;
    QPushButton* Command1;
    QPushButton* Command4;
    QPushButton* Command2;
    std::vector<QLabel*> anicon;
    QTimer* Timer1;
    ControlPort* dl1_;
    std::unique_ptr<common::TextFit> fit_;
    bool fitPending_ = false;  // a fit of the window is queued
    std::unique_ptr<UpdateLogic> logic_;
    bool loaded_ = false;
};

}  // namespace patchwell::update
