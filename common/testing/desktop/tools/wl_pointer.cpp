// pw-wl-pointer: moves the pointer of a Wayland compositor's seat and presses its left button
// (rclick: clicks its right one), through a virtual pointer device (wlroots compositors such as
// sway). A headless seat has no pointer of its own, so the tests drive it with this.
//
//     pw-wl-pointer      then, a line each on standard input:  X Y WIDTH HEIGHT
//     [click|press|release|rclick]
//
// One pointer device lives as long as the program (a device that comes and goes makes clients
// drop their pointer). It prints "ready" once the device exists, and "ok" (or "error bad
// command") after each line, once the compositor has handled its events. X and Y are a point of the
// output layout's box of WIDTH by HEIGHT pixels (its top-left corner is the layout's).
// WAYLAND_DISPLAY names the compositor. Exit status 0, 2 for a bad command line, 1 when the
// compositor is not reached or offers no virtual pointers.

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/testing/desktop/tools/wl_tool.h"
#include "wayland-wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

struct Globals {
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    (void)version;
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        globals->manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
    }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

using pwtest::wltool::NowMs;

// One command line: "X Y WIDTH HEIGHT [click|press|release|rclick]"; false when it is not one.
bool Perform(zwlr_virtual_pointer_v1* pointer, const std::string& line) {
    char action[16] = "";
    unsigned x = 0, y = 0, width = 0, height = 0;
    const int fields =
        std::sscanf(line.c_str(), "%u %u %u %u %15s", &x, &y, &width, &height, action);
    const std::string what = fields == 5 ? action : "";
    if (fields < 4 || width == 0 || height == 0 ||
        (fields == 5 && what != "click" && what != "press" && what != "release" &&
         what != "rclick")) {
        return false;
    }
    zwlr_virtual_pointer_v1_motion_absolute(pointer, NowMs(), x, y, width, height);
    zwlr_virtual_pointer_v1_frame(pointer);
    if (what == "click" || what == "press") {
        zwlr_virtual_pointer_v1_button(pointer, NowMs(), BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
        zwlr_virtual_pointer_v1_frame(pointer);
    }
    if (what == "click" || what == "release") {
        zwlr_virtual_pointer_v1_button(pointer, NowMs(), BTN_LEFT,
                                       WL_POINTER_BUTTON_STATE_RELEASED);
        zwlr_virtual_pointer_v1_frame(pointer);
    }
    if (what == "rclick") {
        for (const auto state :
             {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
            zwlr_virtual_pointer_v1_button(pointer, NowMs(), BTN_RIGHT, state);
            zwlr_virtual_pointer_v1_frame(pointer);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    (void)argv;
    if (argc != 1) {
        std::fputs(
            "usage: pw-wl-pointer  (commands on standard input: X Y WIDTH HEIGHT "
            "[click|press|release|rclick])\n",
            stderr);
        return 2;
    }
    Globals globals;
    static const wl_registry_listener kListener = {OnGlobal, OnGlobalRemove};
    wl_registry* registry = nullptr;
    wl_display* display = pwtest::wltool::Connect("pw-wl-pointer", &kListener, &globals, &registry);
    if (display == nullptr) {
        return 1;
    }
    if (globals.manager == nullptr) {
        std::fputs("pw-wl-pointer: the compositor offers no virtual pointers\n", stderr);
        wl_display_disconnect(display);
        return 1;
    }
    // One device for the whole run: the seat keeps its pointer, and clients theirs.
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.manager, nullptr);
    wl_display_roundtrip(display);
    const int status = pwtest::wltool::Serve(display, [pointer](const std::string& line) {
        return Perform(pointer, line) ? std::string() : std::string("bad command");
    });
    zwlr_virtual_pointer_v1_destroy(pointer);
    zwlr_virtual_pointer_manager_v1_destroy(globals.manager);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return status;
}
