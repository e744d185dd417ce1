#pragma once

// The panel's layer surface and the popups it opens; see layer_shell_integration.h.

#include <QtWaylandClient/private/qwaylandshellsurface_p.h>

#include <QRegion>

#include "qwayland-wlr-layer-shell-unstable-v1.h"
#include "qwayland-xdg-shell.h"
#include "tilebay/platform/wayland/layer_placement.h"

namespace tilebay {

class LayerShellIntegration;

// A layer surface in the top layer, without exclusive zone, placed from the window's geometry
// (layer_placement.h). A move onto another output, or the loss of its output, maps the window
// anew: a layer surface cannot change its output.
class LayerSurface : public QtWaylandClient::QWaylandShellSurface,
                     public QtWayland::zwlr_layer_surface_v1 {
    Q_OBJECT
public:
    LayerSurface(LayerShellIntegration& shell, QtWaylandClient::QWaylandWindow* window);
    ~LayerSurface() override;

    bool isExposed() const override { return configured_; }
    bool handleExpose(const QRegion& region) override;
    void applyConfigure() override;
    void setWindowGeometry(const QRect& rect) override;
    void setWindowPosition(const QPoint& position) override;
    bool requestActivate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

protected:
    void zwlr_layer_surface_v1_configure(uint32_t serial, uint32_t width, uint32_t height) override;
    void zwlr_layer_surface_v1_closed() override;

private:
    LayerPlacement Placement() const;
    void Create();
    void Place();
    void ApplyState();
    void MapAgain();

    LayerShellIntegration& shell_;
    LayerPlacement placed_;
    QSize size_;
    bool configured_ = false;
    uint32_t pendingSerial_ = 0;
    QSize pendingSize_;
    QRegion exposeRegion_;
    bool remapQueued_ = false;
};

// A popup (menu, tool tip) of the panel: an xdg popup without a parent that the layer surface
// adopts.
class LayerPopup : public QtWaylandClient::QWaylandShellSurface,
                   public QtWayland::xdg_surface,
                   public QtWayland::xdg_popup {
    Q_OBJECT
public:
    LayerPopup(LayerShellIntegration& shell, QtWaylandClient::QWaylandWindow* window,
               LayerSurface& parent, QtWaylandClient::QWaylandWindow* parentWindow);
    ~LayerPopup() override;

    bool isExposed() const override { return configured_; }
    bool handleExpose(const QRegion& region) override;
    void applyConfigure() override;

protected:
    void xdg_surface_configure(uint32_t serial) override;
    void xdg_popup_configure(int32_t x, int32_t y, int32_t width, int32_t height) override;
    void xdg_popup_popup_done() override;

private:
    QtWaylandClient::QWaylandWindow* parentWindow_;
    bool configured_ = false;
    uint32_t pendingSerial_ = 0;
    QRegion exposeRegion_;
};

}  // namespace tilebay
