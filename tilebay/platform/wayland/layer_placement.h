#pragma once

// Where the panel's layer surface goes. The panel places itself in the global coordinates of
// the screens, as it does on X11 (its top above the screen's top edge while retracted); a layer
// surface is instead tied to one output and placed by its anchors and margins. This turns the
// one into the other. No display needed.

#include <QMargins>
#include <QRect>

#include <cstdint>
#include <vector>

namespace tilebay {

// The anchor bits of a layer surface (the protocol's values).
enum LayerAnchor : std::uint32_t {
    kAnchorTop = 1,
    kAnchorBottom = 2,
    kAnchorLeft = 4,
    kAnchorRight = 8
};

struct LayerPlacement {
    int output = -1;  // index into the outputs; -1 without any output
    std::uint32_t anchor = kAnchorTop | kAnchorLeft;
    QMargins margins;  // top may be negative: the part above the output's top edge
    bool operator==(const LayerPlacement& other) const {
        return output == other.output && anchor == other.anchor && margins == other.margins;
    }
};

// The output of `outputs` (their places in the layout) that holds the bottom middle of `window`
// (the part of a retracted panel that shows), else the one whose columns hold its middle, else
// the first. The surface keeps to the top edge and to the side it touches: the right edge when
// it ends there and does not start at the left one, else the left edge.
LayerPlacement PlaceLayerSurface(const QRect& window, const std::vector<QRect>& outputs);

}  // namespace tilebay
