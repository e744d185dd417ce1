#include "tilebay/platform/shell/x11_window_properties.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>

#include <unistd.h>

namespace tilebay::x11 {

namespace {

bool HasProperty(Display* display, Window window, Atom property) {
    return ReadProperty(display, window, property, 0, AnyPropertyType).present;
}

// A client window carries WM_STATE (set by the window manager) or a window
// type; a frame of a reparenting window manager carries neither, and its
// client lies somewhere below it.
void CollectClients(Display* display, Window window, int depth, std::vector<Window>* clients) {
    if (HasProperty(display, window, XInternAtom(display, "WM_STATE", False)) ||
        HasProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False))) {
        clients->push_back(window);
        return;
    }
    if (depth == 0) {
        return;
    }
    std::vector<Window> below;
    if (!QueryTree(display, window, &below)) {
        return;
    }
    for (Window child : below) {
        CollectClients(display, child, depth - 1, clients);
    }
}

}  // namespace

int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

// Returning hands a lost connection on to the display's exit handler (set in
// Connection()) instead of ending the process.
int ReturnFromIOError(Display*) {
    return 0;
}

Property ReadProperty(Display* display, Window window, Atom property, long length, Atom type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, window, property, 0, length, False, type,
                                          &actualType, &format, &count, &after, &data);
    Property read;
    read.present = status == Success && actualType != None;
    if (status == Success && actualType == type && format == 32 && data != nullptr) {
        // Format 32 data arrives as an array of long.
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        read.items.assign(values, values + count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    return read;
}

bool QueryTree(Display* display, Window window, std::vector<Window>* children, Window* parent) {
    Window root = 0;
    Window up = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &up, &list, &count) == 0) {
        return false;
    }
    if (children != nullptr) {
        children->assign(list, list + count);
    }
    if (list != nullptr) {
        XFree(list);
    }
    if (parent != nullptr) {
        *parent = up;
    }
    return true;
}

std::vector<Atom> WithOrWithout(std::vector<Atom> states, Atom atom, bool with) {
    states.erase(std::remove(states.begin(), states.end(), atom), states.end());
    if (with) {
        states.push_back(atom);
    }
    return states;
}

std::vector<Atom> ReadAtoms(Display* display, Window window, Atom property, bool* present) {
    Property read = ReadProperty(display, window, property, 1024, XA_ATOM);
    if (present != nullptr) {
        *present = read.present;
    }
    return std::move(read.items);
}

void WriteAtoms(Display* display, Window window, Atom property, const std::vector<Atom>& atoms) {
    XChangeProperty(display, window, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()),
                    static_cast<int>(atoms.size()));
}

long WmState(Display* display, Window window) {
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    const std::vector<unsigned long> state =
        ReadProperty(display, window, wmState, 1, wmState).items;
    return state.empty() ? WithdrawnState : static_cast<long>(state.front());
}

bool IsOurs(Display* display, Window window) {
    const Property pid =
        ReadProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), 1, XA_CARDINAL);
    return pid.items.size() == 1 && pid.items[0] == static_cast<unsigned long>(::getpid());
}

std::vector<Window> ClientWindows(Display* display) {
    std::vector<Window> clients;
    std::vector<Window> top;
    if (!QueryTree(display, DefaultRootWindow(display), &top)) {
        return clients;
    }
    for (Window window : top) {
        // Frames nest the client at most a few levels deep.
        CollectClients(display, window, 3, &clients);
    }
    return clients;
}

}  // namespace tilebay::x11
