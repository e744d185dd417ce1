#pragma once

// Reading and writing the X11 window properties the shell effects work with,
// the window tree, and the trap that keeps X errors from ending the program.
// Include it after every Qt header: Xlib's macros (None, Bool, Status, ...)
// clash with them.

#include <vector>

#include <X11/Xlib.h>

namespace tilebay::x11 {

// Ignore an X error; return from a lost connection (handing it on to the
// display's exit handler) instead of ending the process.
int IgnoreXError(Display*, XErrorEvent*);
int ReturnFromIOError(Display*);

// Windows may vanish between a tree walk and a request on them, and the
// server may go away; neither must end the program. The handlers are
// process-wide, so they are ours only while our requests run on our own
// connection, and the sync before restoring the previous ones makes sure that
// all errors of those requests have arrived.
class XErrorTrap {
public:
    explicit XErrorTrap(Display* display) : display_(display) {
        previous_ = XSetErrorHandler(IgnoreXError);
        previousIO_ = XSetIOErrorHandler(ReturnFromIOError);
        XSync(display_, False);
    }
    ~XErrorTrap() {
        XSync(display_, False);
        XSetIOErrorHandler(previousIO_);
        XSetErrorHandler(previous_);
    }
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

private:
    Display* display_;
    int (*previous_)(Display*, XErrorEvent*) = nullptr;
    int (*previousIO_)(Display*) = nullptr;
};

// A window property as XGetWindowProperty reads up to `length` 32-bit units
// of it: whether the window has it (of whatever type), and its items when
// they are format-32 items of `type`.
struct Property {
    bool present = false;
    std::vector<unsigned long> items;
};

Property ReadProperty(Display* display, Window window, Atom property, long length, Atom type);

// The children of `window`, bottom to top, and its parent (when asked for);
// false when the server could not say (the window is gone, for one).
bool QueryTree(Display* display, Window window, std::vector<Window>* children,
               Window* parent = nullptr);

// `states` without `atom`, and with it last when `with`.
std::vector<Atom> WithOrWithout(std::vector<Atom> states, Atom atom, bool with);

// The format-32 atoms of `property` (and, in `present`, whether the window
// has it at all); writing replaces them.
std::vector<Atom> ReadAtoms(Display* display, Window window, Atom property,
                            bool* present = nullptr);
void WriteAtoms(Display* display, Window window, Atom property, const std::vector<Atom>& atoms);

// The state the window manager keeps in the window's WM_STATE (NormalState,
// IconicState); WithdrawnState too when the window has none.
long WmState(Display* display, Window window);

// Whether `window` belongs to this process (its _NET_WM_PID).
bool IsOurs(Display* display, Window window);

// The client windows below the root: those with WM_STATE or a window type,
// looked for a few levels into the frames of a reparenting window manager.
std::vector<Window> ClientWindows(Display* display);

}  // namespace tilebay::x11
