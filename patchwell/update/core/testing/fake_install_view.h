#pragma once

// An installation window for tests: it records what the installation step
// does with it.

#include <QStringList>

#include "patchwell/update/core/logic/install_logic.h"

namespace patchwell::update {

class FakeInstallView : public InstallView {
public:
    void HideDownloadWindow() override { log << QStringLiteral("hideDownload"); }
    void ShowWindow() override { log << QStringLiteral("show"); }
    void MakeTopmost() override { log << QStringLiteral("topmost"); }
    void SetProgramName(const QString& name) override { log << QStringLiteral("name=") + name; }
    QStringList log;
};

}  // namespace patchwell::update
