#include "tilebay/platform/wayland/layer_placement.h"

#include <gtest/gtest.h>

namespace tilebay {
namespace {

// Two 1280x720 outputs side by side; the panel is 400x300 with a 20-pixel strip showing while
// retracted.
TEST(LayerPlacement, TurnsTheWindowsPlaceIntoOutputAnchorAndMargins) {
    const std::vector<QRect> outputs{QRect(0, 0, 1280, 720), QRect(1280, 0, 1280, 720)};
    struct Case {
        const char* what;
        QRect window;
        int output;
        std::uint32_t anchor;
        QMargins margins;  // left, top, right, bottom
    };
    const Case cases[] = {
        {"left, in view", QRect(0, 0, 400, 300), 0, kAnchorTop | kAnchorLeft, QMargins(0, 0, 0, 0)},
        {"left, retracted", QRect(0, -280, 400, 300), 0, kAnchorTop | kAnchorLeft,
         QMargins(0, -280, 0, 0)},
        {"centre of the second", QRect(1720, -280, 400, 300), 1, kAnchorTop | kAnchorLeft,
         QMargins(440, -280, 0, 0)},
        {"right of the second", QRect(2160, 0, 400, 300), 1, kAnchorTop | kAnchorRight,
         QMargins(0, 0, 0, 0)},
        {"right of the first, retracted", QRect(880, -280, 400, 300), 0, kAnchorTop | kAnchorRight,
         QMargins(0, -280, 0, 0)},
        {"as wide as the output keeps to the left", QRect(0, 0, 1280, 300), 0,
         kAnchorTop | kAnchorLeft, QMargins(0, 0, 0, 0)},
        {"wholly above the outputs: by its columns", QRect(1300, -400, 200, 300), 1,
         kAnchorTop | kAnchorLeft, QMargins(20, -400, 0, 0)},
        {"off every output: the first", QRect(5000, 5000, 200, 300), 0, kAnchorTop | kAnchorRight,
         QMargins(0, 5000, -3920, 0)},
    };
    for (const Case& c : cases) {
        const LayerPlacement placement = PlaceLayerSurface(c.window, outputs);
        EXPECT_EQ(placement.output, c.output) << c.what;
        EXPECT_EQ(placement.anchor, c.anchor) << c.what;
        EXPECT_EQ(placement.margins, c.margins) << c.what;
    }
    EXPECT_EQ(PlaceLayerSurface(QRect(0, 0, 10, 10), {}).output, -1);
}

}  // namespace
}  // namespace tilebay
