#pragma once

// Which of Qt's platforms tilebay runs on, chosen before the QApplication exists.
//
// In a Wayland session whose compositor offers wlroots' layer shell (sway, KDE Plasma), and
// with tilebay's layer-shell module installed, tilebay runs on Qt's Wayland platform and the
// panel is a layer surface. In any other Wayland session (GNOME, Weston) it runs on XWayland
// (xcb), where the panel places itself as on X11. A platform the user chose in QT_QPA_PLATFORM
// is kept; on Wayland the layer-shell module is then used when it is there.

#include <QByteArray>

namespace tilebay {

struct DisplayEnvironment {
    QByteArray qpaPlatform;       // QT_QPA_PLATFORM
    QByteArray shellIntegration;  // QT_WAYLAND_SHELL_INTEGRATION
    QByteArray waylandDisplay;    // WAYLAND_DISPLAY
    QByteArray display;           // DISPLAY
    bool layerShellModule = false;
    // Asked only when it matters: connects to the compositor.
    bool (*compositorHasLayerShell)() = nullptr;
};

// What to set; an empty value leaves that variable as it is.
struct DisplayChoice {
    QByteArray qpaPlatform;
    QByteArray shellIntegration;
};

// The shell integration list given to Qt: the layer shell where the compositor has it, else
// Qt's xdg-shell.
inline constexpr char kLayerShellIntegration[] = "tilebay-layer-shell;xdg-shell";

DisplayChoice ChooseDisplayPlatform(const DisplayEnvironment& environment);

// Reads the environment, looks for the module in Qt's plugin folders, and sets the variables
// chosen.
void SetUpDisplayPlatform();

}  // namespace tilebay
