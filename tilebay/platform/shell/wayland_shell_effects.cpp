#include "tilebay/platform/shell/wayland_shell_effects.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QWindow>

namespace tilebay {

namespace {

QWindow* WindowOf(WId id) {
    for (QWindow* window : QGuiApplication::allWindows()) {
        if (window->handle() != nullptr && window->winId() == id) {
            return window;
        }
    }
    return nullptr;
}

class WaylandShellEffects final : public ShellEffects {
public:
    void ShowTaskbar(bool) override {}
    void ShowDesktopIcons(bool) override {}
    void SetAlwaysOnTop(WId window, bool on) override {
        if (QWindow* found = WindowOf(window)) {
            found->setProperty(kAboveProperty, on);
        }
    }
    void SetWindowOpacity(WId, qint16) override {}
    void TakeFocus(WId window) override {
        focused_ = WindowOf(window);
        if (focused_) {
            focused_->setProperty(kKeyboardProperty, QStringLiteral("exclusive"));
        }
    }
    void ReturnFocus() override {
        if (focused_) {
            focused_->setProperty(kKeyboardProperty, QStringLiteral("none"));
        }
        focused_.clear();
    }
    QString TaskbarUnavailable() const override {
        return QCoreApplication::translate(
            "tilebay::WaylandShellEffects",
            "Not available on Wayland: the compositor does not let one program hide another "
            "program's panels.");
    }
    QString DesktopIconsUnavailable() const override {
        return QCoreApplication::translate(
            "tilebay::WaylandShellEffects",
            "Not available on Wayland: the compositor does not let one program hide another "
            "program's desktop icons.");
    }

private:
    QPointer<QWindow> focused_;
};

}  // namespace

std::unique_ptr<ShellEffects> MakeWaylandShellEffects() {
    return std::make_unique<WaylandShellEffects>();
}

}  // namespace tilebay
