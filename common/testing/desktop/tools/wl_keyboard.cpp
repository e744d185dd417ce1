// pw-wl-keyboard: types on a Wayland compositor's seat through a virtual keyboard device
// (wlroots compositors such as sway). The tests type with this.
//
//     pw-wl-keyboard      then, a line each on standard input:  type TEXT  |  key KEYSYM
//
// "type" presses and releases the key of each character of TEXT (UTF-8), with Shift held where
// the character needs it; "key" presses and releases the key of a keysym name ("Return",
// "Escape", "Menu", "Down"). It prints "ready" once the device exists, and "ok" (or "error ...")
// after each line, once the compositor has handled its events.
//
// One device with one keymap lives as long as the program: the evdev keymap of the "us" layout,
// the one X servers and Qt's Wayland client start with. A client that has not yet taken in the
// keymap the compositor hands on from this device reads the key codes with that same default,
// so no key is read as another while a keymap travels. WAYLAND_DISPLAY names the compositor.
// Exit status 0, 2 for a bad command line, 1 when the compositor is not reached or offers no
// virtual keyboards.

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cuchar>
#include <optional>
#include <string>
#include <vector>

#include "common/testing/desktop/tools/wl_tool.h"
#include "wayland-virtual-keyboard-unstable-v1-client-protocol.h"

namespace {

struct Globals {
    zwp_virtual_keyboard_manager_v1* manager = nullptr;
    wl_seat* seat = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    (void)version;
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        globals->manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && globals->seat == nullptr) {
        globals->seat =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

using pwtest::wltool::NowMs;

// A key of the keymap and whether Shift must be held for the keysym wanted.
struct Stroke {
    xkb_keycode_t keycode = 0;
    bool shift = false;
};

class Keyboard {
public:
    Keyboard(zwp_virtual_keyboard_v1* device, xkb_keymap* keymap)
        : device_(device), keymap_(keymap) {
        const xkb_mod_index_t shift = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_SHIFT);
        shiftMask_ = shift == XKB_MOD_INVALID ? 0 : 1U << shift;
        shiftKey_ = find(XKB_KEY_Shift_L).value_or(Stroke{}).keycode;
    }

    // The key that gives `keysym` in the first layout, with no modifier or with Shift only;
    // a key that needs none is preferred.
    std::optional<Stroke> find(xkb_keysym_t keysym) const {
        std::optional<Stroke> shifted;
        for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap_);
             key <= xkb_keymap_max_keycode(keymap_); ++key) {
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap_, key, 0);
            for (xkb_level_index_t level = 0; level < levels; ++level) {
                const xkb_keysym_t* syms = nullptr;
                if (xkb_keymap_key_get_syms_by_level(keymap_, key, 0, level, &syms) != 1 ||
                    syms[0] != keysym) {
                    continue;
                }
                xkb_mod_mask_t masks[8];
                const size_t count =
                    xkb_keymap_key_get_mods_for_level(keymap_, key, 0, level, masks, 8);
                for (size_t i = 0; i < count; ++i) {
                    if (masks[i] == 0) {
                        return Stroke{key, false};
                    }
                    if (masks[i] == shiftMask_ && shiftMask_ != 0 && !shifted) {
                        shifted = Stroke{key, true};
                    }
                }
            }
        }
        return shifted;
    }

    // Presses and releases the key, Shift around it when needed, as a physical keyboard does.
    void strike(const Stroke& stroke) const {
        const bool shift = stroke.shift && shiftKey_ != 0;
        if (shift) {
            send(shiftKey_, WL_KEYBOARD_KEY_STATE_PRESSED);
            zwp_virtual_keyboard_v1_modifiers(device_, shiftMask_, 0, 0, 0);
        }
        send(stroke.keycode, WL_KEYBOARD_KEY_STATE_PRESSED);
        send(stroke.keycode, WL_KEYBOARD_KEY_STATE_RELEASED);
        if (shift) {
            send(shiftKey_, WL_KEYBOARD_KEY_STATE_RELEASED);
            zwp_virtual_keyboard_v1_modifiers(device_, 0, 0, 0, 0);
        }
    }

private:
    // The protocol takes evdev codes; XKB's keycodes are those plus 8.
    void send(xkb_keycode_t keycode, wl_keyboard_key_state state) const {
        zwp_virtual_keyboard_v1_key(device_, NowMs(), keycode - 8, state);
    }

    zwp_virtual_keyboard_v1* device_;
    xkb_keymap* keymap_;
    xkb_mod_mask_t shiftMask_ = 0;
    xkb_keycode_t shiftKey_ = 0;
};

// The code points of UTF-8 text (the C library decodes it: main sets a UTF-8 character type);
// nullopt when it is not valid UTF-8.
std::optional<std::vector<char32_t>> DecodeUtf8(const std::string& text) {
    std::vector<char32_t> points;
    std::mbstate_t state{};
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at < end) {
        char32_t point = 0;
        const size_t used = std::mbrtoc32(&point, at, static_cast<size_t>(end - at), &state);
        if (used == 0 || used > static_cast<size_t>(end - at)) {
            return std::nullopt;  // a zero, an invalid or a cut sequence
        }
        points.push_back(point);
        at += used;
    }
    return points;
}

// One command line, without its line end: "type TEXT" or "key KEYSYM". Empty when done, else
// what went wrong; nothing is sent when a character or keysym has no key.
std::string Perform(const Keyboard& keyboard, const std::string& line) {
    std::vector<Stroke> strokes;
    if (line.rfind("type ", 0) == 0) {
        const auto points = DecodeUtf8(line.substr(5));
        if (!points) {
            return "text is not UTF-8";
        }
        for (const char32_t point : *points) {
            const xkb_keysym_t keysym = xkb_utf32_to_keysym(point);
            const auto stroke = keysym == XKB_KEY_NoSymbol ? std::nullopt : keyboard.find(keysym);
            if (!stroke) {
                char code[16];
                std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(point));
                return std::string("no key for ") + code;
            }
            strokes.push_back(*stroke);
        }
    } else if (line.rfind("key ", 0) == 0) {
        const std::string name = line.substr(4);
        const xkb_keysym_t keysym = xkb_keysym_from_name(name.c_str(), XKB_KEYSYM_NO_FLAGS);
        const auto stroke = keysym == XKB_KEY_NoSymbol ? std::nullopt : keyboard.find(keysym);
        if (!stroke) {
            return "no key for " + name;
        }
        strokes.push_back(*stroke);
    } else {
        return "bad command";
    }
    for (const Stroke& stroke : strokes) {
        keyboard.strike(stroke);
    }
    return {};
}

// The keymap as text in a memory file, as the keymap request takes it.
int KeymapFile(xkb_keymap* keymap, uint32_t* size) {
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    if (text == nullptr) {
        return -1;
    }
    const size_t length = std::strlen(text) + 1;  // with its terminating zero
    int fd = memfd_create("pw-wl-keyboard-keymap", MFD_CLOEXEC);
    size_t written = 0;
    while (fd >= 0 && written < length) {
        const ssize_t n = write(fd, text + written, length - written);
        if (n <= 0) {
            close(fd);
            fd = -1;
            break;
        }
        written += static_cast<size_t>(n);
    }
    std::free(text);
    *size = static_cast<uint32_t>(length);
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    (void)argv;
    if (argc != 1) {
        std::fputs("usage: pw-wl-keyboard  (commands on standard input: type TEXT | key KEYSYM)\n",
                   stderr);
        return 2;
    }
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
        std::fputs("pw-wl-keyboard: no UTF-8 character type (C.UTF-8)\n", stderr);
        return 1;
    }
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    const xkb_rule_names names = {"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap = context == nullptr ? nullptr
                                            : xkb_keymap_new_from_names(
                                                  context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    uint32_t keymapSize = 0;
    const int keymapFd = keymap == nullptr ? -1 : KeymapFile(keymap, &keymapSize);
    if (keymapFd < 0) {
        std::fputs("pw-wl-keyboard: cannot build the us keymap\n", stderr);
        return 1;
    }
    Globals globals;
    static const wl_registry_listener kListener = {OnGlobal, OnGlobalRemove};
    wl_registry* registry = nullptr;
    wl_display* display =
        pwtest::wltool::Connect("pw-wl-keyboard", &kListener, &globals, &registry);
    if (display == nullptr) {
        return 1;
    }
    if (globals.manager == nullptr || globals.seat == nullptr) {
        std::fputs("pw-wl-keyboard: the compositor offers no virtual keyboards\n", stderr);
        wl_display_disconnect(display);
        return 1;
    }
    // One device and one keymap for the whole run.
    zwp_virtual_keyboard_v1* device =
        zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(globals.manager, globals.seat);
    zwp_virtual_keyboard_v1_keymap(device, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, keymapFd, keymapSize);
    close(keymapFd);
    if (wl_display_roundtrip(display) < 0) {
        std::fputs("pw-wl-keyboard: the compositor refused the keyboard\n", stderr);
        wl_display_disconnect(display);
        return 1;
    }
    const Keyboard keyboard(device, keymap);
    const int status = pwtest::wltool::Serve(
        display, [&keyboard](const std::string& line) { return Perform(keyboard, line); });
    zwp_virtual_keyboard_v1_destroy(device);
    zwp_virtual_keyboard_manager_v1_destroy(globals.manager);
    wl_seat_destroy(globals.seat);
    wl_registry_destroy(registry);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return status;
}
