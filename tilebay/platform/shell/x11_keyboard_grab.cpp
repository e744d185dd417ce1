#include <QtGui/qguiapplication_platform.h>
#include <QByteArray>
#include <QGuiApplication>
#include <QTimer>

// Xlib last: its macros (None, Bool, Status, ...) clash with Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include "tilebay/platform/shell/x11_keyboard_grab.h"
#include "tilebay/platform/shell/x11_window_properties.h"

namespace tilebay::x11 {

namespace {

// The Xlib display of Qt's own connection; null without a GUI application on
// the xcb platform.
Display* QtDisplay() {
#if QT_CONFIG(xcb)
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>()) {
            return x11->display();
        }
    }
#endif
    return nullptr;
}

}  // namespace

XWaylandKeyboardGrab::XWaylandKeyboardGrab() = default;
XWaylandKeyboardGrab::~XWaylandKeyboardGrab() = default;

void XWaylandKeyboardGrab::Take(Display* display, Window window) {
    if (!OnXWayland(display)) {
        return;
    }
    grabbing_ = window;
    deadline_.setRemainingTime(1000);
    TryGrab();
}

// Xwayland names its RandR outputs and monitors XWAYLAND0, XWAYLAND1, ...
// (the Xwayland of Debian 12 has no extension that says so).
bool XWaylandKeyboardGrab::OnXWayland(Display* display) {
    if (!xwayland_) {
        xwayland_ = false;
        XErrorTrap trap(display);
        int events = 0;
        int errors = 0;
        if (XRRQueryExtension(display, &events, &errors)) {
            int count = 0;
            XRRMonitorInfo* monitors =
                XRRGetMonitors(display, DefaultRootWindow(display), False, &count);
            for (int i = 0; i < count && !*xwayland_; ++i) {
                char* name = XGetAtomName(display, monitors[i].name);
                xwayland_ = name != nullptr && QByteArray(name).startsWith("XWAYLAND");
                if (name != nullptr) {
                    XFree(name);
                }
            }
            if (monitors != nullptr) {
                XRRFreeMonitors(monitors);
            }
        }
    }
    return *xwayland_;
}

// The X window manager of wlroots takes the X focus back at once from a
// window that sets it itself, but leaves alone the focus changes an active
// grab makes: so on XWayland the window grabs the keyboard while it has it.
// The grab is made on Qt's connection, because a grab sends the keys to the
// grabbing client only. Another X client may hold the keyboard for a moment
// (a menu of its own): the grab is tried again until a deadline. The server
// ends the grab itself when the window is unmapped or destroyed.
void XWaylandKeyboardGrab::TryGrab() {
    Display* qt = QtDisplay();
    if (qt == nullptr || grabbing_ == 0) {
        return;
    }
    int status = GrabFrozen;
    {
        XErrorTrap trap(qt);
        status = XGrabKeyboard(qt, grabbing_, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    }
    grabbed_ = status == GrabSuccess;
    if (grabbed_ || deadline_.hasExpired()) {
        return;
    }
    if (!retry_) {
        retry_ = std::make_unique<QTimer>();
        retry_->setSingleShot(true);
        retry_->setInterval(20);
        QObject::connect(retry_.get(), &QTimer::timeout, retry_.get(), [this] { TryGrab(); });
    }
    retry_->start();
}

void XWaylandKeyboardGrab::Release() {
    if (retry_) {
        retry_->stop();
    }
    grabbing_ = 0;
    if (!grabbed_) {
        return;
    }
    grabbed_ = false;
    if (Display* qt = QtDisplay()) {
        XUngrabKeyboard(qt, CurrentTime);
        XFlush(qt);
    }
}

}  // namespace tilebay::x11
