#pragma once

// What tilebay changes outside itself (hidden taskbar, hidden desktop icons)
// survives a run that does not end cleanly (a crash, SIGKILL): before an
// effect hides something, a small state file beside the instance lock says
// so, and once everything is shown again the file goes. The next start finds
// a file left behind and shows again what that run hid, before it does
// anything else.

#include <QString>
#include <QStringList>

#include "tilebay/platform/shell/shell_effects.h"

namespace tilebay {

// The state file beside the instance lock `lockPath` (".lock" becomes
// ".hidden"); empty without a lock path.
QString ShellStatePath(const QString& lockPath);

// `inner` with the state file kept; every other effect passes straight on.
// Without a state path nothing is recorded.
class RestorableShellEffects : public ShellEffects {
public:
    RestorableShellEffects(ShellEffects& inner, QString statePath);

    // Shows again what the state file says was hidden (both, when it cannot
    // be read) and removes it; true when there was one.
    bool RestoreAfterUncleanEnd();

    void ShowTaskbar(bool show) override;
    void ShowDesktopIcons(bool show) override;
    void SetAlwaysOnTop(WId window, bool on) override { inner_.SetAlwaysOnTop(window, on); }
    void SetWindowOpacity(WId window, qint16 opacity) override {
        inner_.SetWindowOpacity(window, opacity);
    }
    void TakeFocus(WId window) override { inner_.TakeFocus(window); }
    void ReturnFocus() override { inner_.ReturnFocus(); }
    void LeaveOutOfTaskbar(WId window) override { inner_.LeaveOutOfTaskbar(window); }
    std::optional<QRect> MonitorGeometry(const QString& output) override {
        return inner_.MonitorGeometry(output);
    }
    void WatchMonitors(std::function<void()> changed) override {
        inner_.WatchMonitors(std::move(changed));
    }
    QString TaskbarUnavailable() const override { return inner_.TaskbarUnavailable(); }
    QString DesktopIconsUnavailable() const override { return inner_.DesktopIconsUnavailable(); }

private:
    void Mark(const QString& what, bool hidden);

    ShellEffects& inner_;
    QString statePath_;
    QStringList hidden_;
};

}  // namespace tilebay
