#include "tilebay/app/display_platform.h"

#include <gtest/gtest.h>

namespace tilebay {
namespace {

bool Offers() {
    return true;
}
bool Lacks() {
    return false;
}
int asked = 0;
bool Counted() {
    ++asked;
    return true;
}

TEST(DisplayPlatform, LayerShellWhereOfferedElseXWaylandAndTheUsersChoiceKept) {
    struct Case {
        const char* what;
        DisplayEnvironment environment;
        QByteArray platform;
        QByteArray integration;
    };
    const Case cases[] = {
        {"sway with the module",
         {{}, {}, "wayland-1", ":0", true, Offers},
         "wayland",
         kLayerShellIntegration},
        {"GNOME: XWayland", {{}, {}, "wayland-0", ":0", true, Lacks}, "xcb", {}},
        {"without the module: XWayland", {{}, {}, "wayland-1", ":0", false, Offers}, "xcb", {}},
        {"no XWayland either: Qt's own choice", {{}, {}, "wayland-0", {}, true, Lacks}, {}, {}},
        {"X11 session: untouched", {{}, {}, {}, ":0", true, Offers}, {}, {}},
        {"the user's integration kept",
         {{}, "xdg-shell", "wayland-1", ":0", true, Offers},
         "wayland",
         {}},
        {"the user's xcb kept", {"xcb", {}, "wayland-1", ":0", true, Offers}, {}, {}},
        {"the user's wayland gets the module",
         {"wayland", {}, "wayland-1", ":0", true, Lacks},
         {},
         kLayerShellIntegration},
        {"the user's wayland without the module",
         {"wayland", {}, "wayland-1", {}, false, Offers},
         {},
         {}},
    };
    for (const Case& c : cases) {
        const DisplayChoice choice = ChooseDisplayPlatform(c.environment);
        EXPECT_EQ(choice.qpaPlatform, c.platform) << c.what;
        EXPECT_EQ(choice.shellIntegration, c.integration) << c.what;
    }
    // The compositor is asked only in a Wayland session with the module and no choice made.
    ChooseDisplayPlatform({{}, {}, {}, ":0", true, Counted});
    ChooseDisplayPlatform({"xcb", {}, "wayland-1", ":0", true, Counted});
    ChooseDisplayPlatform({{}, {}, "wayland-1", ":0", false, Counted});
    EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace tilebay
