#include "tilebay/platform/shell/shell_effects.h"

#include "tilebay/platform/shell/wayland_shell_effects.h"
#include "tilebay/platform/shell/x11_shell_effects.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

#include <X11/Xlib.h>

namespace tilebay {

namespace {

class NullShellEffects final : public ShellEffects {
public:
    void ShowTaskbar(bool) override {}
    void ShowDesktopIcons(bool) override {}
    void SetAlwaysOnTop(WId, bool) override {}
    void SetWindowOpacity(WId, qint16) override {}
};

}  // namespace

ShellBackendChoice ChooseShellBackend(const QString& qtPlatform, const QByteArray& qtDisplay,
                                      const QByteArray& displayEnv) {
    ShellBackendChoice choice;
    if (qtPlatform.startsWith(QStringLiteral("wayland"))) {
        return choice;
    }
    if (qtPlatform == QStringLiteral("xcb")) {
        choice.display = qtDisplay.isEmpty() ? displayEnv : qtDisplay;
        choice.windows = true;
    } else {
        choice.display = displayEnv;
        choice.windows = qtPlatform.isEmpty();
    }
    if (choice.display.isEmpty()) {
        choice.windows = false;
        return choice;
    }
    choice.desktop = true;
    return choice;
}

std::unique_ptr<ShellEffects> MakeNullShellEffects() {
    return std::make_unique<NullShellEffects>();
}

std::unique_ptr<ShellEffects> MakeDesktopShellEffects() {
    QString platform;
    QByteArray qtDisplay;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        platform = QGuiApplication::platformName();
        if (platform.startsWith(QStringLiteral("wayland"))) {
            return MakeWaylandShellEffects();
        }
#if QT_CONFIG(xcb)
        if (platform == QStringLiteral("xcb")) {
            if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
                if (Display* display = x11->display()) {
                    qtDisplay = QByteArray(XDisplayString(display));
                }
            }
        }
#endif
    }
    return MakeX11ShellEffects(ChooseShellBackend(platform, qtDisplay, qgetenv("DISPLAY")));
}

}  // namespace tilebay
