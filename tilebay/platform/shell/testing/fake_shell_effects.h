#pragma once

// Shell effects for tests that change nothing and record what was asked.

#include <QString>
#include <QStringList>

#include <map>
#include <optional>

#include "tilebay/platform/shell/shell_effects.h"

namespace tilebay::testing {

// Records each effect on the desktop as a line ("ShowTaskbar 1",
// "ShowDesktopIcons 0", "SetAlwaysOnTop 4a0000f 1", "SetWindowOpacity
// 4a0000f 200", windows in hex) in `calls`, or in an outside list given to it;
// the keyboard's moves ("take 1" for a window given, "return") in `focus`; and
// the last opacity set for each window.
class RecordingShellEffects : public ShellEffects {
public:
    RecordingShellEffects() : log_(&calls) {}
    explicit RecordingShellEffects(QStringList& log) : log_(&log) {}

    void ShowTaskbar(bool show) override { *log_ << QStringLiteral("ShowTaskbar %1").arg(show); }
    void ShowDesktopIcons(bool show) override {
        *log_ << QStringLiteral("ShowDesktopIcons %1").arg(show);
    }
    void SetAlwaysOnTop(WId window, bool on) override {
        *log_ << QStringLiteral("SetAlwaysOnTop %1 %2").arg(window, 0, 16).arg(on);
    }
    void SetWindowOpacity(WId window, qint16 opacity) override {
        *log_ << QStringLiteral("SetWindowOpacity %1 %2").arg(window, 0, 16).arg(opacity);
        opacity_[window] = opacity;
    }
    void TakeFocus(WId window) override { focus << QStringLiteral("take %1").arg(window != 0); }
    void ReturnFocus() override { focus << QStringLiteral("return"); }

    std::optional<qint16> opacityOf(WId window) const {
        const auto found = opacity_.find(window);
        return found == opacity_.end() ? std::nullopt : std::optional<qint16>(found->second);
    }

    QStringList calls;
    QStringList focus;

private:
    QStringList* log_;
    std::map<WId, qint16> opacity_;
};

}  // namespace tilebay::testing
