#pragma once

#include <QWidget>

#include <memory>

#include "patchwell/update/core/logic/install_logic.h"
#include "patchwell/update/windows/window_support.h"

class QLabel;

namespace patchwell::update {

class Forms;

// The installation window: shown while the installer is started and cleaned
// up after; its load ends the program.
class Frmextract : public QWidget, private InstallView {
    Q_OBJECT

public:
    explicit Frmextract(Forms& forms);
    ~Frmextract() override;

    void Load();
    // The installation of an update staged by an earlier start, as Load
    // does for one the download window made.
    void LoadStaged(const platform::SealedCopy& ready, const VerifiedManifest& manifest);
    // Instead of the load: goes back to the version installed before.
    void Rollback();

private:
    void HideDownloadWindow() override;
    void ShowWindow() override;
    void MakeTopmost() override;
    void SetProgramName(const QString& name) override;

    Forms& forms_;
    QLabel* label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Image1;
    std::unique_ptr<common::TextFit> fit_;
    std::unique_ptr<InstallLogic> logic_;
};

}  // namespace patchwell::update
