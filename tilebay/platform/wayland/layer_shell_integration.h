#pragma once

// tilebay's shell integration for Qt's Wayland platform ("tilebay-layer-shell"): where the
// compositor offers wlroots' layer shell, the panel window becomes a layer surface on one
// output, and the popups it opens (context menu, tool tips) become popups of that surface.
// Every other window (splash, style loader, message boxes) stays an ordinary xdg-shell window,
// made by Qt's own xdg-shell integration. Without a layer shell the integration refuses, and Qt
// goes on to the next integration of QT_WAYLAND_SHELL_INTEGRATION.
//
// The panel window is the top-level window that asks to bypass the window manager
// (Qt::X11BypassWindowManagerHint): a window that places itself. Its keyboard follows the
// window's dynamic property "tilebayKeyboard": "exclusive" while the panel holds the keyboard,
// anything else none; its layer "tilebayAbove": true the overlay layer, else the top layer
// (tilebay/platform/shell/wayland_shell_effects.h sets both).

#include <QtWaylandClient/private/qwaylandshellintegration_p.h>

#include <memory>

#include "qwayland-wlr-layer-shell-unstable-v1.h"
#include "qwayland-xdg-shell.h"
#include "tilebay/platform/wayland/frame_settle.h"

namespace tilebay {

class XdgWmBase : public QtWayland::xdg_wm_base {
protected:
    void xdg_wm_base_ping(uint32_t serial) override { pong(serial); }
};

class LayerShellIntegration : public QtWaylandClient::QWaylandShellIntegration {
public:
    LayerShellIntegration() = default;
    ~LayerShellIntegration() override;

    bool initialize(QtWaylandClient::QWaylandDisplay* display) override;
    QtWaylandClient::QWaylandShellSurface* createShellSurface(
        QtWaylandClient::QWaylandWindow* window) override;
    void* nativeResourceForWindow(const QByteArray& resource, QWindow* window) override;

    QtWayland::zwlr_layer_shell_v1& LayerShell() { return layerShell_; }
    XdgWmBase& WmBase() { return wmBase_; }
    QtWaylandClient::QWaylandDisplay* Display() const { return display_; }

private:
    QtWaylandClient::QWaylandDisplay* display_ = nullptr;
    QtWayland::zwlr_layer_shell_v1 layerShell_;
    XdgWmBase wmBase_;
    std::unique_ptr<QtWaylandClient::QWaylandShellIntegration> xdgShell_;
    FrameSettler frameSettler_;
};

}  // namespace tilebay
