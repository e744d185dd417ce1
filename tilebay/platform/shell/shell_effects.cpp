#include "tilebay/platform/shell/shell_effects.h"

#include "tilebay/platform/shell/wayland_shell_effects.h"
#include "tilebay/platform/shell/x11_shell_effects.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

#include <X11/Xlib.h>

namespace tilebay {

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
