#pragma once

// The keyboard grab that keeps the X focus on a window of ours under
// Xwayland. Include it after every Qt header but its own: Xlib's macros
// (None, Bool, Status, ...) clash with them.

#include <QDeadlineTimer>

#include <memory>
#include <optional>

#include <X11/Xlib.h>

class QTimer;

namespace tilebay::x11 {

// On Xwayland, a window that takes the keyboard holds it by an active grab
// on Qt's connection until Release; on any other X server it does nothing.
class XWaylandKeyboardGrab {
public:
    XWaylandKeyboardGrab();
    ~XWaylandKeyboardGrab();
    XWaylandKeyboardGrab(const XWaylandKeyboardGrab&) = delete;
    XWaylandKeyboardGrab& operator=(const XWaylandKeyboardGrab&) = delete;

    // `display` is the connection that asks (once) whether the server is an
    // Xwayland; the grab itself is made on Qt's connection.
    void Take(Display* display, Window window);
    // Ends the grab, or the tries for it.
    void Release();

private:
    bool OnXWayland(Display* display);
    void TryGrab();

    // Whether the server is an Xwayland (asked once), the window that holds
    // (or tries for) the grab, and the retries of that grab.
    std::optional<bool> xwayland_;
    Window grabbing_ = 0;
    bool grabbed_ = false;
    QDeadlineTimer deadline_;
    std::unique_ptr<QTimer> retry_;
};

}  // namespace tilebay::x11
