#pragma once

// The X11 side of the shell effects, and the choice between it and effects
// that do nothing. Exposed for the tool and the tests; the program itself
// uses MakeDesktopShellEffects().

#include "tilebay/platform/shell/shell_effects.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace tilebay {

// What the effects may act on in the running process.
struct ShellBackendChoice {
    bool desktop = false;  // the desktop's docks and icon view
    bool windows = false;  // our own windows by WId (they must be X windows)
    QByteArray display;    // X display name to connect to
};

// `qtPlatform` is QGuiApplication::platformName(), empty when the process
// has no QGuiApplication; `qtDisplay` the display Qt's xcb platform is
// connected to (empty if unknown); `displayEnv` the DISPLAY variable.
// Wayland: nothing. xcb: everything, on Qt's display. No GUI application:
// everything, on DISPLAY. Another Qt platform (offscreen, ...): its window
// ids are not X windows, so only the desktop effects, on DISPLAY. Without a
// display name: nothing.
ShellBackendChoice ChooseShellBackend(const QString& qtPlatform, const QByteArray& qtDisplay,
                                      const QByteArray& displayEnv);

// Effects on the given X display. The connection is opened at first use;
// when it cannot be opened, or the server goes away, every effect does
// nothing.
std::unique_ptr<ShellEffects> MakeX11ShellEffects(const ShellBackendChoice& choice);

// Effects that do nothing.
std::unique_ptr<ShellEffects> MakeNullShellEffects();

// Name of the property, on a window we hid, that holds the _NET_WM_STATE
// atoms it had; its presence marks the window as hidden by us.
inline constexpr const char kSavedStateProperty[] = "_TILEBAY_HIDDEN_WM_STATE";

}  // namespace tilebay
