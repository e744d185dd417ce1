#pragma once

// What the Wayland test session's input tools (pw-wl-pointer, pw-wl-keyboard) share: the
// connection with its globals, the time stamp of input events, and the command loop (a line on
// standard input, its events, a round trip so that the compositor has handled them, the answer).

#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

namespace pwtest::wltool {

inline uint32_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// Connects to the compositor WAYLAND_DISPLAY names and lets `listener` collect its globals into
// `data`; nullptr, with a message naming `tool`, when the compositor is not reached.
inline wl_display* Connect(const char* tool, const wl_registry_listener* listener, void* data,
                           wl_registry** registry) {
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "%s: cannot reach the Wayland compositor\n", tool);
        return nullptr;
    }
    *registry = wl_display_get_registry(display);
    wl_registry_add_listener(*registry, listener, data);
    wl_display_roundtrip(display);
    return display;
}

// Prints "ready", then answers each line of standard input with "ok", or "error " and what
// `perform(line)` returned when that is not empty, once the compositor has handled the line's
// events. The exit status: 1 when the connection broke, else 0 at the end of the input.
template <class Perform>
int Serve(wl_display* display, Perform perform) {
    std::puts("ready");
    std::fflush(stdout);
    std::string line;
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        const std::string failure = perform(line);
        line.clear();
        if (wl_display_roundtrip(display) < 0) {
            return 1;
        }
        std::puts(failure.empty() ? "ok" : ("error " + failure).c_str());
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace pwtest::wltool
