#pragma once

// Qt 6.4 destroys a window's outstanding frame request (wl_surface.frame) when it takes the
// window down, without waiting for its frame-event thread, which may be handling the answer to
// that request at that moment and destroys it as well: libwayland then aborts the program
// ("wl_proxy_unref" assertion). Hiding a window that has just drawn (a menu closed, the splash
// done, the panel mapped anew on another output) runs into it now and then.
//
// The way round: wait for the answer before the window is taken down, while its surface is still
// mapped, so that the compositor answers with its next frame.

#include <QObject>

class QWindow;

namespace QtWaylandClient {
class QWaylandWindow;
}

namespace tilebay {

// Waits for the answer to the window's last frame request, at most Qt's own frame timeout
// (a surface the compositor no longer draws, e.g. on an output that went away, gets no answer).
void SettleFrameRequest(QtWaylandClient::QWaylandWindow* window);

// Settles the frame request of each watched window as it is hidden or destroyed: QWindow tells
// of the change before it takes its platform window down.
class FrameSettler : public QObject {
    Q_OBJECT
public:
    void Watch(QWindow* window);

private:
    void VisibleChanged(bool visible);
};

}  // namespace tilebay
