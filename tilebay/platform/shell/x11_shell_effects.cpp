#include "tilebay/platform/shell/x11_shell_effects.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <utility>
#include <vector>

// Xlib last: its macros (None, Bool, Status, ...) clash with Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include "tilebay/platform/shell/x11_keyboard_grab.h"
#include "tilebay/platform/shell/x11_window_properties.h"

namespace tilebay {

namespace {

using x11::IgnoreXError;
using x11::QueryTree;
using x11::ReadProperty;
using x11::ReturnFromIOError;
using x11::WithOrWithout;
using x11::XErrorTrap;

class X11ShellEffects final : public ShellEffects {
public:
    explicit X11ShellEffects(ShellBackendChoice choice) : choice_(std::move(choice)) {}
    ~X11ShellEffects() override {
        notifier_.reset();
        if (display_ != nullptr) {
            // Closing syncs; a server that is gone must not end the program
            // here either.
            auto* previous = XSetErrorHandler(IgnoreXError);
            auto* previousIO = XSetIOErrorHandler(ReturnFromIOError);
            XCloseDisplay(display_);
            XSetIOErrorHandler(previousIO);
            XSetErrorHandler(previous);
        }
    }

    void ShowTaskbar(bool show) override {
        if (choice_.desktop) {
            ShowWindowsOfType("_NET_WM_WINDOW_TYPE_DOCK", show);
        }
    }

    void ShowDesktopIcons(bool show) override {
        if (choice_.desktop) {
            ShowWindowsOfType("_NET_WM_WINDOW_TYPE_DESKTOP", show);
        }
    }

    void SetAlwaysOnTop(WId window, bool on) override;
    void SetWindowOpacity(WId window, qint16 opacity) override;
    void TakeFocus(WId window) override;
    void ReturnFocus() override;
    void LeaveOutOfTaskbar(WId window) override;
    void Raise(WId window) override;
    std::optional<QRect> MonitorGeometry(const QString& output) override;
    void WatchMonitors(std::function<void()> changed) override;

private:
    Display* Connection();
    Atom Intern(const char* name) { return XInternAtom(display_, name, False); }
    std::vector<Atom> ReadAtoms(Window window, Atom property, bool* present = nullptr) {
        return x11::ReadAtoms(display_, window, property, present);
    }
    void WriteAtoms(Window window, Atom property, const std::vector<Atom>& atoms) {
        x11::WriteAtoms(display_, window, property, atoms);
    }
    bool IsOurs(Window window) { return x11::IsOurs(display_, window); }
    std::vector<Window> ClientWindows() { return x11::ClientWindows(display_); }
    void ShowWindowsOfType(const char* type, bool show);
    void KeepAbove(Window window, bool on);
    void StackInOrdinaryBand(const std::vector<Window>& cameUp);
    void OnEvents();
    void DrainEventsLater();
    void OnWmStateChange(const XPropertyEvent& event);

    static void OnConnectionLost(Display*, void* self) {
        static_cast<X11ShellEffects*>(self)->lost_ = true;
    }

    ShellBackendChoice choice_;
    Display* display_ = nullptr;
    bool tried_ = false;
    bool lost_ = false;
    // The override-redirect window whose band the effects keep (0 for none),
    // its band, and the notifier of our connection's events.
    Window stacked_ = 0;
    bool above_ = false;
    // The window of the last Raise and the serial of that request: events the
    // server sent before it carry a smaller serial.
    Window raised_ = 0;
    unsigned long raisedAt_ = 0;
    // The last known place and size (x, y, width, height, border) of each
    // top-level window, from its create and configure events: a configure
    // event that leaves them as they were restacked the window.
    std::map<Window, std::array<int, 5>> geometry_;
    std::unique_ptr<QSocketNotifier> notifier_;
    // Unmapped windows whose above state was set before the window manager
    // took in their withdrawal, with that state.
    std::map<Window, bool> withdrawing_;
    // The window that had the keyboard before TakeFocus (0: none to return).
    Window focusBefore_ = 0;
    Window focused_ = 0;
    // On XWayland, what keeps the keyboard on the window of TakeFocus.
    x11::XWaylandKeyboardGrab keyboardGrab_;
    // RandR's first event number (-1: not asked for monitor events) and
    // what to call when the monitors change.
    int randrEvents_ = -1;
    bool substructure_ = false;
    std::function<void()> monitorsChanged_;
    void EnsureNotifier();
};

Display* X11ShellEffects::Connection() {
    if (!tried_) {
        tried_ = true;
        display_ = XOpenDisplay(choice_.display.constData());
        if (display_ != nullptr) {
            // Losing the server must not end the program: Xlib calls this
            // instead of exit() and the effects fall silent.
            XSetIOErrorExitHandler(display_, &X11ShellEffects::OnConnectionLost, this);
        }
    }
    return lost_ ? nullptr : display_;
}

// Hiding withdraws every mapped, window-manager-managed window of the type
// and keeps its _NET_WM_STATE in a property of ours, because the window
// manager drops the state on withdrawal. Showing maps exactly the windows
// that carry that property, with their state put back first, so that any
// process can show what another one hid, and nothing else gets mapped
// (window managers keep hidden override-redirect windows of these types).
void X11ShellEffects::ShowWindowsOfType(const char* typeName, bool show) {
    if (Connection() == nullptr) {
        return;
    }
    XErrorTrap trap(display_);
    const Atom type = Intern(typeName);
    const Atom windowType = Intern("_NET_WM_WINDOW_TYPE");
    const Atom state = Intern("_NET_WM_STATE");
    const Atom saved = Intern(kSavedStateProperty);

    for (Window window : ClientWindows()) {
        const std::vector<Atom> types = ReadAtoms(window, windowType);
        if (std::find(types.begin(), types.end(), type) == types.end()) {
            continue;
        }
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display_, window, &attributes) == 0) {
            continue;
        }
        const bool mapped = attributes.map_state != IsUnmapped;
        if (show) {
            bool marked = false;
            const std::vector<Atom> states = ReadAtoms(window, saved, &marked);
            if (!marked) {
                continue;
            }
            XDeleteProperty(display_, window, saved);
            if (mapped) {
                continue;  // its owner showed it again meanwhile
            }
            // The window manager reads the state when the window is mapped.
            if (states.empty()) {
                XDeleteProperty(display_, window, state);
            } else {
                WriteAtoms(window, state, states);
            }
            XMapWindow(display_, window);
        } else {
            if (!mapped || attributes.override_redirect || IsOurs(window)) {
                continue;
            }
            WriteAtoms(window, saved, ReadAtoms(window, state));
            XWithdrawWindow(display_, window, XScreenNumberOfScreen(attributes.screen));
        }
    }
    XFlush(display_);
    DrainEventsLater();
}

void X11ShellEffects::SetAlwaysOnTop(WId id, bool on) {
    if (!choice_.windows || id == 0 || Connection() == nullptr) {
        return;
    }
    XErrorTrap trap(display_);
    const auto window = static_cast<Window>(id);
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display_, window, &attributes) == 0) {
        return;
    }
    const Atom state = Intern("_NET_WM_STATE");
    const Atom above = Intern("_NET_WM_STATE_ABOVE");
    if (withdrawing_.erase(window) > 0) {
        XSelectInput(display_, window, NoEventMask);
    }
    if (attributes.override_redirect) {
        // No window manager stacks this window: its state is ours to write,
        // and keeping it above is ours to do.
        WriteAtoms(window, state, WithOrWithout(ReadAtoms(window, state), above, on));
        KeepAbove(window, on);
    } else if (attributes.map_state != IsUnmapped) {
        // A mapped window's state belongs to the window manager: ask it. It
        // only changes the stacking band; position and size stay.
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = state;
        event.xclient.format = 32;
        event.xclient.data.l[0] = on ? 1 : 0;  // _NET_WM_STATE_ADD / _REMOVE
        event.xclient.data.l[1] = static_cast<long>(above);
        event.xclient.data.l[2] = 0;
        event.xclient.data.l[3] = 1;  // request from a normal application
        XSendEvent(display_, attributes.root, False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
    } else {
        // An unmapped window's state is read by the window manager when it
        // gets mapped. But a window manager that has yet to take in that the
        // window was unmapped (its WM_STATE still says Normal) drops the
        // state when it withdraws the window (openbox does): then it is
        // written again once WM_STATE changes.
        WriteAtoms(window, state, WithOrWithout(ReadAtoms(window, state), above, on));
        if (x11::WmState(display_, window) == NormalState) {
            withdrawing_[window] = on;
            XSelectInput(display_, window, PropertyChangeMask);
            EnsureNotifier();
        }
    }
    XFlush(display_);
    DrainEventsLater();
}

// The withdrawal is over when WM_STATE goes or says Withdrawn; by now the
// window may be mapped and managed anew, so the state is set as for any call.
void X11ShellEffects::OnWmStateChange(const XPropertyEvent& event) {
    const auto pending = withdrawing_.find(event.window);
    if (pending == withdrawing_.end() || event.atom != Intern("WM_STATE")) {
        return;
    }
    XErrorTrap trap(display_);
    if (event.state != PropertyDelete && x11::WmState(display_, event.window) != WithdrawnState) {
        return;
    }
    const bool on = pending->second;
    withdrawing_.erase(pending);
    XSelectInput(display_, event.window, NoEventMask);
    SetAlwaysOnTop(static_cast<WId>(event.window), on);
}

// No window manager stacks an override-redirect window, and openbox, for
// one, stacks its own windows below all of them. So the effects keep such a
// window in its band themselves, from the top-level windows' map and
// configure events on their own connection (nothing polls):
// - above: any other window mapped or restacked is followed by raising it;
// - ordinary: it is put just below the topmost ordinary window of the window
//   manager when that window was mapped or restacked after the window's last
//   Raise and it lies above it. Moves and resizes, other windows (tooltips,
//   menus, docks) and events older than the raise leave it where a click put
//   it.
void X11ShellEffects::KeepAbove(Window window, bool on) {
    stacked_ = window;
    above_ = on;
    if (!substructure_) {
        substructure_ = true;
        XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
    }
    EnsureNotifier();
    if (on) {
        XRaiseWindow(display_, window);
    }
}

// Puts stacked_ right below the topmost ordinary client of the window
// manager (its stacking list without docks and desktop windows) when that
// client's top-level window is among `cameUp` and stacked_ lies above it.
void X11ShellEffects::StackInOrdinaryBand(const std::vector<Window>& cameUp) {
    const Window rootWindow = DefaultRootWindow(display_);
    // Bottom to top.
    const std::vector<Window> clients =
        ReadProperty(display_, rootWindow, Intern("_NET_CLIENT_LIST_STACKING"), 4096, XA_WINDOW)
            .items;
    const Atom windowType = Intern("_NET_WM_WINDOW_TYPE");
    const Atom dock = Intern("_NET_WM_WINDOW_TYPE_DOCK");
    const Atom desktop = Intern("_NET_WM_WINDOW_TYPE_DESKTOP");
    Window top = 0;
    for (auto it = clients.rbegin(); it != clients.rend() && top == 0; ++it) {
        const std::vector<Atom> types = ReadAtoms(*it, windowType);
        XWindowAttributes attributes;
        if (std::find(types.begin(), types.end(), dock) == types.end() &&
            std::find(types.begin(), types.end(), desktop) == types.end() &&
            XGetWindowAttributes(display_, *it, &attributes) != 0 &&
            attributes.map_state == IsViewable) {
            top = *it;
        }
    }
    // The client's top-level window: its frame, or itself.
    for (int depth = 0; top != 0 && depth < 8; ++depth) {
        Window parent = 0;
        if (!QueryTree(display_, top, nullptr, &parent)) {
            return;
        }
        if (parent == rootWindow) {
            break;
        }
        top = parent;
    }
    if (std::find(cameUp.begin(), cameUp.end(), top) == cameUp.end()) {
        return;
    }
    std::vector<Window> order;  // bottom to top
    if (top == 0 || !QueryTree(display_, rootWindow, &order)) {
        return;
    }
    const auto at = std::find(order.begin(), order.end(), top);
    const auto ours = std::find(order.begin(), order.end(), stacked_);
    if (at == order.end() || ours == order.end() || ours < at) {
        return;
    }
    XWindowChanges changes{};
    changes.sibling = top;
    changes.stack_mode = Below;
    XConfigureWindow(display_, stacked_, CWSibling | CWStackMode, &changes);
}

// The notifier of our connection's events; which events come is chosen by
// KeepAbove (the stacking of top-level windows) and WatchMonitors (RandR).
void X11ShellEffects::EnsureNotifier() {
    if (!notifier_) {
        notifier_ =
            std::make_unique<QSocketNotifier>(ConnectionNumber(display_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                         [this] { OnEvents(); });
    }
}

std::optional<QRect> X11ShellEffects::MonitorGeometry(const QString& output) {
    if (!choice_.windows || output.isEmpty() || Connection() == nullptr) {
        return std::nullopt;
    }
    XErrorTrap trap(display_);
    int events = 0;
    int errors = 0;
    if (!XRRQueryExtension(display_, &events, &errors)) {
        return std::nullopt;
    }
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display_, DefaultRootWindow(display_), True, &count);
    std::optional<QRect> found;
    for (int i = 0; i < count && !found; ++i) {
        char* name = XGetAtomName(display_, monitors[i].name);
        if (name != nullptr && QString::fromLatin1(name) == output) {
            found = QRect(monitors[i].x, monitors[i].y, monitors[i].width, monitors[i].height);
        }
        if (name != nullptr) {
            XFree(name);
        }
    }
    if (monitors != nullptr) {
        XRRFreeMonitors(monitors);
    }
    return found;
}

void X11ShellEffects::WatchMonitors(std::function<void()> changed) {
    monitorsChanged_ = std::move(changed);
    if (!choice_.windows || randrEvents_ >= 0 || Connection() == nullptr) {
        return;
    }
    XErrorTrap trap(display_);
    int errors = 0;
    if (!XRRQueryExtension(display_, &randrEvents_, &errors)) {
        randrEvents_ = -1;
        return;
    }
    EnsureNotifier();
    XRRSelectInput(display_, DefaultRootWindow(display_),
                   RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    XFlush(display_);
}

void X11ShellEffects::OnEvents() {
    if (Connection() == nullptr) {
        notifier_.reset();
        return;
    }
    // Requests with an error trap sync and so read events into Xlib's queue
    // without the socket telling us: drain until the queue stays empty.
    bool monitors = false;
    for (int round = 0; round < 8 && XPending(display_) > 0; ++round) {
        bool changed = false;
        std::vector<Window> cameUp;  // mapped or restacked after the last raise
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (randrEvents_ >= 0 && (event.type == randrEvents_ + RRScreenChangeNotify ||
                                      event.type == randrEvents_ + RRNotify)) {
                XRRUpdateConfiguration(&event);
                monitors = true;
                continue;
            }
            Window window = 0;
            bool up = false;
            if (event.type == CreateNotify) {
                const XCreateWindowEvent& created = event.xcreatewindow;
                geometry_[created.window] = {created.x, created.y, created.width, created.height,
                                             created.border_width};
            } else if (event.type == DestroyNotify) {
                geometry_.erase(event.xdestroywindow.window);
                withdrawing_.erase(event.xdestroywindow.window);
            } else if (event.type == PropertyNotify) {
                OnWmStateChange(event.xproperty);
            } else if (event.type == ReparentNotify) {
                if (event.xreparent.parent != event.xreparent.event) {
                    geometry_.erase(event.xreparent.window);  // no top-level window now
                }
            } else if (event.type == MapNotify) {
                window = event.xmap.window;
                up = true;
            } else if (event.type == ConfigureNotify) {
                const XConfigureEvent& configured = event.xconfigure;
                window = configured.window;
                const std::array<int, 5> now{configured.x, configured.y, configured.width,
                                             configured.height, configured.border_width};
                const auto known = geometry_.find(window);
                up = known == geometry_.end() || known->second == now;
                geometry_[window] = now;
            }
            if (window == 0 || window == stacked_) {
                continue;
            }
            changed = true;
            // What the server sent before our last raise of the window is
            // older than that raise (the click that asked for it) and must
            // not undo it.
            if (up && (raised_ != stacked_ || event.xany.serial >= raisedAt_)) {
                cameUp.push_back(window);
            }
        }
        if (!changed || stacked_ == 0 || (!above_ && cameUp.empty())) {
            break;
        }
        XErrorTrap trap(display_);
        if (above_) {
            XRaiseWindow(display_, stacked_);
        } else {
            StackInOrdinaryBand(cameUp);
        }
    }
    if (monitors && monitorsChanged_) {
        monitorsChanged_();
    }
}

void X11ShellEffects::DrainEventsLater() {
    if (notifier_) {
        QTimer::singleShot(0, notifier_.get(), [this] { OnEvents(); });
    }
}

// On this connection, so that the events read after it can be told from
// those the server sent before it.
void X11ShellEffects::Raise(WId id) {
    if (!choice_.windows || id == 0 || Connection() == nullptr) {
        return;
    }
    XErrorTrap trap(display_);
    raised_ = static_cast<Window>(id);
    raisedAt_ = NextRequest(display_);
    XRaiseWindow(display_, raised_);
    XFlush(display_);
    DrainEventsLater();
}

// The window manager gives the keyboard only to the windows it manages; an
// override-redirect window takes it itself. CurrentTime: the command that
// asked for it came over a socket, not with an X event of ours.
void X11ShellEffects::TakeFocus(WId id) {
    if (!choice_.windows || id == 0 || Connection() == nullptr) {
        return;
    }
    XErrorTrap trap(display_);
    Window current = 0;
    int revert = 0;
    XGetInputFocus(display_, &current, &revert);
    const auto window = static_cast<Window>(id);
    if (current != window) {
        // PointerRoot and None (1 and 0) are no windows to return to.
        focusBefore_ = current > PointerRoot ? current : 0;
    }
    focused_ = window;
    XSetInputFocus(display_, window, RevertToParent, CurrentTime);
    XFlush(display_);
    keyboardGrab_.Take(display_, window);
}

void X11ShellEffects::ReturnFocus() {
    keyboardGrab_.Release();
    if (focused_ == 0 || Connection() == nullptr) {
        return;
    }
    XErrorTrap trap(display_);
    Window current = 0;
    int revert = 0;
    XGetInputFocus(display_, &current, &revert);
    // Only when the keyboard is still ours: a window the user has clicked
    // into meanwhile keeps it.
    if (current == focused_) {
        XWindowAttributes attributes;
        if (focusBefore_ != 0 && XGetWindowAttributes(display_, focusBefore_, &attributes) != 0 &&
            attributes.map_state == IsViewable) {
            XSetInputFocus(display_, focusBefore_, RevertToPointerRoot, CurrentTime);
        } else {
            XSetInputFocus(display_, PointerRoot, RevertToPointerRoot, CurrentTime);
        }
    }
    focused_ = 0;
    focusBefore_ = 0;
    XFlush(display_);
}

// The state of a managed window is the window manager's: it is asked; the
// property is written as well, for a window manager that has not read it yet.
void X11ShellEffects::LeaveOutOfTaskbar(WId id) {
    if (!choice_.windows || id == 0 || Connection() == nullptr) {
        return;
    }
    XErrorTrap trap(display_);
    const auto window = static_cast<Window>(id);
    const Atom state = Intern("_NET_WM_STATE");
    const Atom skipTaskbar = Intern("_NET_WM_STATE_SKIP_TASKBAR");
    const Atom skipPager = Intern("_NET_WM_STATE_SKIP_PAGER");
    std::vector<Atom> states = ReadAtoms(window, state);
    for (Atom wanted : {skipTaskbar, skipPager}) {
        if (std::find(states.begin(), states.end(), wanted) == states.end()) {
            states.push_back(wanted);
        }
    }
    WriteAtoms(window, state, states);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = state;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1;  // _NET_WM_STATE_ADD
    event.xclient.data.l[1] = static_cast<long>(skipTaskbar);
    event.xclient.data.l[2] = static_cast<long>(skipPager);
    event.xclient.data.l[3] = 1;
    XSendEvent(display_, DefaultRootWindow(display_), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_);
}

void X11ShellEffects::SetWindowOpacity(WId id, qint16 opacity) {
    if (opacity < 0 || opacity > 255) {
        return;
    }
    if (!choice_.windows || id == 0 || Connection() == nullptr) {
        return;
    }
    XErrorTrap trap(display_);
    // 0..255 spread over the full 32-bit range: 255 * 0x01010101 = 0xFFFFFFFF.
    const unsigned long value = static_cast<unsigned long>(opacity) * 0x01010101UL;
    XChangeProperty(display_, static_cast<Window>(id), Intern("_NET_WM_WINDOW_OPACITY"),
                    XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&value), 1);
    // Sent at once: nothing else may flush this connection soon.
    XFlush(display_);
}

}  // namespace

std::unique_ptr<ShellEffects> MakeX11ShellEffects(const ShellBackendChoice& choice) {
    if (!choice.desktop && !choice.windows) {
        return MakeNullShellEffects();
    }
    return std::make_unique<X11ShellEffects>(choice);
}

}  // namespace tilebay
