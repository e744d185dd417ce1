#pragma once

// Effects of the panel's options on the user's desktop. The X11
// implementation hides and shows the desktop's dock windows (panels) and its
// icon view, and sets the above state and the opacity of our own windows.
// Without an X server every effect does nothing; no effect ever fails.
//
// X11 details:
// - The taskbar is every top-level window typed _NET_WM_WINDOW_TYPE_DOCK, the
//   icon view every one typed _NET_WM_WINDOW_TYPE_DESKTOP, windows of our own
//   process excepted. They are looked up anew at every call.
// - Hiding withdraws the mapped, managed ones and records their
//   _NET_WM_STATE in a property on the window, which also marks it as hidden
//   by us. Showing maps exactly the marked windows, states restored, so a
//   later process can show what an earlier one hid; the window manager's own
//   hidden windows of these types are never touched.
// - Always on top is _NET_WM_STATE_ABOVE; the window keeps its place and size.
//   An override-redirect window has no window manager to honour that state,
//   and openbox stacks its own windows below all such windows: the effects
//   write the state on the window themselves and keep it in its band from
//   the top-level windows' map and configure events (their own connection,
//   no polling): above, it is raised after any other window is mapped or
//   restacked; in the ordinary band, it goes just below a managed window
//   that is mapped or raised to the top after the window's last Raise, and
//   nothing else (moves, other windows, what happened before the raise)
//   takes it down. Needs a running Qt event loop.
// - Opacity is _NET_WM_WINDOW_OPACITY (255 -> 0xFFFFFFFF), sent at once.
//   Once set it stays; nothing removes it.
// - The WId must be the current native window: Qt re-creates the native
//   window when its stays-on-top flag changes, so pass windowHandle()->winId()
//   taken after such a change.

#include <QtGui/qwindowdefs.h>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tilebay {

class ShellEffects {
public:
    virtual ~ShellEffects() = default;
    // Hides (false) or shows (true) the desktop's panels.
    virtual void ShowTaskbar(bool show) = 0;
    // Hides (false) or shows (true) the desktop's icon view.
    virtual void ShowDesktopIcons(bool show) = 0;
    // Puts `window` into the band above ordinary windows, or back, without
    // moving or resizing it.
    virtual void SetAlwaysOnTop(WId window, bool on) = 0;
    // Brings `window` to the front, as a click on a managed window does; a
    // window kept in the ordinary band stays there until another window is
    // mapped or raised.
    virtual void Raise(WId window) { (void)window; }
    // Opacity 0 (invisible) to 255 (opaque); any other value changes nothing.
    virtual void SetWindowOpacity(WId window, qint16 opacity) = 0;
    // Gives the keyboard to `window` (an override-redirect window gets it
    // from no window manager), remembering who had it. On XWayland, whose
    // window manager takes the X focus back, `window` grabs the keyboard
    // until ReturnFocus.
    virtual void TakeFocus(WId window) { (void)window; }
    // Gives the keyboard back to the window that had it before TakeFocus,
    // when that window still exists; does nothing without a TakeFocus.
    virtual void ReturnFocus() {}
    // Asks taskbars and pagers to leave `window` out (its state
    // _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER); call it
    // after the window has been shown.
    virtual void LeaveOutOfTaskbar(WId window) { (void)window; }
    // The geometry of the monitor of RandR output `output` as the X server
    // has it now (Qt's screens miss a mode change of a monitor); nullopt
    // without such an active monitor or without X.
    virtual std::optional<QRect> MonitorGeometry(const QString& output) {
        (void)output;
        return std::nullopt;
    }
    // Calls `changed` after the monitors have changed (RandR events); a
    // later call replaces the earlier function.
    virtual void WatchMonitors(std::function<void()> changed) { (void)changed; }
    // Why hiding the desktop's panels, or its icon view, cannot work here (the option is then
    // shown disabled with this text); empty where it can.
    virtual QString TaskbarUnavailable() const { return {}; }
    virtual QString DesktopIconsUnavailable() const { return {}; }
};

// The desktop's real effects: X11 when the program runs on an X server, the
// Wayland ones (wayland_shell_effects.h) on Qt's Wayland platform, otherwise
// effects that do nothing.
std::unique_ptr<ShellEffects> MakeDesktopShellEffects();

}  // namespace tilebay
