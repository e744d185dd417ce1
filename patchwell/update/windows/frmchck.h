#pragma once

#include <QWidget>

#include <memory>

#include "patchwell/update/core/logic/check_logic.h"
#include "patchwell/update/windows/window_support.h"

class QLabel;
class QPushButton;
class QTimer;

namespace patchwell::update {

class Forms;

// The check window: hidden while the check runs, shown only when the check
// could not be carried out.
class Frmchck : public QWidget, private CheckView {
    Q_OBJECT

public:
    explicit Frmchck(Forms& forms);
    ~Frmchck() override;

    void Load();

    CheckLogic& logic() { return *logic_; }
    ControlPort& dl1() { return *dl1_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void MakeTopmost() override;
    void HideWindow() override;
    void ShowWindow() override;
    void StopTimer() override;
    ControlPort& DownloadWindowControl() override;
    void ShowDownloadWindow() override;

    Forms& forms_;
    QLabel* Label1;
    QPushButton* Command1;
    QLabel* Label3;
    QLabel* Image1;
    QTimer* Timer1;
    ControlPort* dl1_;
    std::unique_ptr<common::TextFit> fit_;
    std::unique_ptr<CheckLogic> logic_;
};

}  // namespace patchwell::update
