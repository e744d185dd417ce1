#include "tilebay/platform/wayland/frame_settle.h"

#include <QtWaylandClient/private/qwaylandwindow_p.h>

#include <QWindow>

namespace tilebay {

void SettleFrameRequest(QtWaylandClient::QWaylandWindow* window) {
    constexpr int kFrameTimeoutMs = 100;
    if (window != nullptr) {
        window->waitForFrameSync(kFrameTimeoutMs);
    }
}

void FrameSettler::Watch(QWindow* window) {
    connect(window, &QWindow::visibleChanged, this, &FrameSettler::VisibleChanged,
            Qt::UniqueConnection);
}

void FrameSettler::VisibleChanged(bool visible) {
    auto* window = qobject_cast<QWindow*>(sender());
    if (!visible && window != nullptr) {
        SettleFrameRequest(static_cast<QtWaylandClient::QWaylandWindow*>(window->handle()));
    }
}

}  // namespace tilebay
