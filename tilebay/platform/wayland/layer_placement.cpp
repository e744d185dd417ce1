#include "tilebay/platform/wayland/layer_placement.h"

namespace tilebay {

namespace {

int ChooseOutput(const QRect& window, const std::vector<QRect>& outputs) {
    if (outputs.empty()) {
        return -1;
    }
    const QPoint visible(window.center().x(), window.bottom());
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (outputs[i].contains(visible)) {
            return static_cast<int>(i);
        }
    }
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        if (visible.x() >= outputs[i].left() && visible.x() <= outputs[i].right()) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

}  // namespace

LayerPlacement PlaceLayerSurface(const QRect& window, const std::vector<QRect>& outputs) {
    LayerPlacement placement;
    placement.output = ChooseOutput(window, outputs);
    if (placement.output < 0) {
        return placement;
    }
    const QRect& output = outputs[static_cast<std::size_t>(placement.output)];
    const int top = window.top() - output.top();
    if (window.right() >= output.right() && window.left() > output.left()) {
        placement.anchor = kAnchorTop | kAnchorRight;
        placement.margins = QMargins(0, top, output.right() - window.right(), 0);
    } else {
        placement.anchor = kAnchorTop | kAnchorLeft;
        placement.margins = QMargins(window.left() - output.left(), top, 0, 0);
    }
    return placement;
}

}  // namespace tilebay
