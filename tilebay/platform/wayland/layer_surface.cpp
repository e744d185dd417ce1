#include "tilebay/platform/wayland/layer_surface.h"

#include <QtWaylandClient/private/qwaylanddisplay_p.h>
#include <QtWaylandClient/private/qwaylandinputdevice_p.h>
#include <QtWaylandClient/private/qwaylandscreen_p.h>
#include <QtWaylandClient/private/qwaylandwindow_p.h>

#include <QDynamicPropertyChangeEvent>
#include <QLoggingCategory>
#include <QPointer>
#include <QWindow>

#include "tilebay/platform/wayland/frame_settle.h"
#include "tilebay/platform/wayland/layer_shell_integration.h"

namespace tilebay {

Q_LOGGING_CATEGORY(lcLayerShell, "tilebay.layershell", QtInfoMsg)

using QtWaylandClient::QWaylandScreen;
using QtWaylandClient::QWaylandWindow;

namespace {

// Set by the panel's shell effects (tilebay/platform/shell/wayland_shell_effects.h).
constexpr char kKeyboardProperty[] = "tilebayKeyboard";
constexpr char kAboveProperty[] = "tilebayAbove";

std::vector<QWaylandScreen*> Outputs(QWaylandWindow* window) {
    std::vector<QWaylandScreen*> outputs;
    for (QWaylandScreen* screen : window->display()->screens()) {
        if (screen->output() != nullptr) {
            outputs.push_back(screen);
        }
    }
    return outputs;
}

}  // namespace

LayerSurface::LayerSurface(LayerShellIntegration& shell, QWaylandWindow* window)
    : QWaylandShellSurface(window), shell_(shell) {
    Create();
    window->window()->installEventFilter(this);
    // The first commit carries no buffer: the compositor answers with the first configure.
    wl_surface_commit(window->wlSurface());
}

void LayerSurface::Create() {
    placed_ = Placement();
    const std::vector<QWaylandScreen*> outputs = Outputs(window());
    ::wl_output* output =
        placed_.output >= 0 ? outputs[static_cast<std::size_t>(placed_.output)]->output() : nullptr;
    init(shell_.LayerShell().get_layer_surface(window()->wlSurface(), output,
                                               QtWayland::zwlr_layer_shell_v1::layer_top,
                                               QStringLiteral("tilebay")));
    size_ = window()->windowContentGeometry().size();
    set_size(static_cast<uint32_t>(size_.width()), static_cast<uint32_t>(size_.height()));
    set_anchor(placed_.anchor);
    set_margin(placed_.margins.top(), placed_.margins.right(), placed_.margins.bottom(),
               placed_.margins.left());
    // The panel hangs over other surfaces; it reserves no room of its own.
    set_exclusive_zone(0);
    ApplyState();
    qCDebug(lcLayerShell) << "layer surface on output" << placed_.output << "margins"
                          << placed_.margins;
}

LayerSurface::~LayerSurface() {
    if (isInitialized()) {
        destroy();
    }
}

LayerPlacement LayerSurface::Placement() const {
    std::vector<QRect> rects;
    for (QWaylandScreen* screen : Outputs(const_cast<LayerSurface*>(this)->window())) {
        rects.push_back(screen->geometry());
    }
    return PlaceLayerSurface(const_cast<LayerSurface*>(this)->window()->window()->geometry(),
                             rects);
}

bool LayerSurface::handleExpose(const QRegion& region) {
    if (!configured_ && !region.isEmpty()) {
        exposeRegion_ = region;
        return true;
    }
    return false;
}

void LayerSurface::zwlr_layer_surface_v1_configure(uint32_t serial, uint32_t width,
                                                   uint32_t height) {
    if (!configured_ && Placement().output != placed_.output) {
        // Moved onto another output before anything was drawn (the panel docks right after it
        // is shown; Qt passes no move on before the first configure): a new surface there at
        // once, without taking the window down and mapping it anew.
        destroy();
        Create();
        wl_surface_commit(window()->wlSurface());
        return;
    }
    pendingSerial_ = serial;
    pendingSize_ = QSize(static_cast<int>(width), static_cast<int>(height));
    if (!configured_) {
        // The first configure is the expose.
        applyConfigure();
        exposeRegion_ = QRegion(QRect(QPoint(), window()->geometry().size()));
    } else {
        window()->applyConfigureWhenPossible();
    }
    if (!exposeRegion_.isEmpty()) {
        window()->handleExpose(exposeRegion_);
        exposeRegion_ = QRegion();
    }
}

void LayerSurface::applyConfigure() {
    if (pendingSerial_ == 0) {
        return;
    }
    ack_configure(pendingSerial_);
    pendingSerial_ = 0;
    const bool first = !configured_;
    configured_ = true;
    if (!pendingSize_.isEmpty() && pendingSize_ != window()->windowContentGeometry().size()) {
        resizeFromApplyConfigure(pendingSize_);
    }
    if (first) {
        // Moves made before the surface was configured reached no one.
        Place();
    }
}

// The output went away (or the compositor dropped the surface): a new surface on the output
// the window is on by then.
void LayerSurface::zwlr_layer_surface_v1_closed() {
    qCDebug(lcLayerShell) << "layer surface closed";
    configured_ = false;
    MapAgain();
}

void LayerSurface::MapAgain() {
    if (remapQueued_) {
        return;
    }
    remapQueued_ = true;
    qCDebug(lcLayerShell) << "mapping the window anew";
    QPointer<QWaylandWindow> target(window());
    // Not from inside this surface's own calls: mapping anew destroys it.
    QMetaObject::invokeMethod(
        target,
        [target] {
            if (target && target->window()->isVisible()) {
                SettleFrameRequest(target);
                target->setVisible(false);
                target->setVisible(true);
            }
        },
        Qt::QueuedConnection);
}

void LayerSurface::setWindowGeometry(const QRect& rect) {
    (void)rect;
    Place();
}

void LayerSurface::setWindowPosition(const QPoint& position) {
    (void)position;
    Place();
}

void LayerSurface::Place() {
    if (remapQueued_) {
        return;
    }
    const LayerPlacement placement = Placement();
    if (placement.output != placed_.output) {
        MapAgain();
        return;
    }
    const QSize size = window()->windowContentGeometry().size();
    if (placement == placed_ && size == size_) {
        return;
    }
    if (size != size_) {
        size_ = size;
        set_size(static_cast<uint32_t>(size.width()), static_cast<uint32_t>(size.height()));
    }
    if (placement.anchor != placed_.anchor) {
        set_anchor(placement.anchor);
    }
    set_margin(placement.margins.top(), placement.margins.right(), placement.margins.bottom(),
               placement.margins.left());
    placed_ = placement;
    qCDebug(lcLayerShell) << "margins" << placement.margins << "anchor" << placement.anchor;
    // A move needs no new picture: the state applies with a commit of the present one.
    wl_surface_commit(window()->wlSurface());
}

bool LayerSurface::requestActivate() {
    ApplyState();
    return true;
}

bool LayerSurface::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::DynamicPropertyChange) {
        const QByteArray name = static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName();
        if (name == kKeyboardProperty || name == kAboveProperty) {
            ApplyState();
            wl_surface_commit(window()->wlSurface());
        }
    }
    return QWaylandShellSurface::eventFilter(watched, event);
}

// The panel holds the keyboard only while it takes it on purpose (tilebay --toggle); otherwise
// typing stays with the window that has it until the panel is clicked. It lies above windows;
// "always on top" lifts it above full-screen ones as well.
void LayerSurface::ApplyState() {
    const QWindow* qwindow = window()->window();
    const bool exclusive =
        qwindow->property(kKeyboardProperty).toString() == QLatin1String("exclusive");
    // Otherwise the keyboard comes on demand, as to an ordinary window: a click on the panel
    // gives it (and a menu of the panel can take it); compositors before version 4 know only
    // none.
    const auto otherwise =
        version() >= 4 ? keyboard_interactivity_on_demand : keyboard_interactivity_none;
    set_keyboard_interactivity(exclusive ? keyboard_interactivity_exclusive : otherwise);
    // Always on top: above full-screen windows too (the overlay layer).
    if (version() >= 2) {
        set_layer(qwindow->property(kAboveProperty).toBool()
                      ? QtWayland::zwlr_layer_shell_v1::layer_overlay
                      : QtWayland::zwlr_layer_shell_v1::layer_top);
    }
}

LayerPopup::LayerPopup(LayerShellIntegration& shell, QWaylandWindow* window, LayerSurface& parent,
                       QWaylandWindow* parentWindow)
    : QWaylandShellSurface(window), parentWindow_(parentWindow) {
    QtWayland::xdg_surface::init(shell.WmBase().get_xdg_surface(window->wlSurface()));
    QtWayland::xdg_positioner positioner(shell.WmBase().create_positioner());
    const QRect geometry = window->windowContentGeometry();
    const QPoint at =
        window->window()->geometry().topLeft() - parentWindow->window()->geometry().topLeft();
    positioner.set_size(qMax(1, geometry.width()), qMax(1, geometry.height()));
    positioner.set_anchor_rect(at.x(), at.y(), 1, 1);
    positioner.set_anchor(QtWayland::xdg_positioner::anchor_top_left);
    positioner.set_gravity(QtWayland::xdg_positioner::gravity_bottom_right);
    positioner.set_constraint_adjustment(QtWayland::xdg_positioner::constraint_adjustment_slide_x |
                                         QtWayland::xdg_positioner::constraint_adjustment_slide_y |
                                         QtWayland::xdg_positioner::constraint_adjustment_flip_x |
                                         QtWayland::xdg_positioner::constraint_adjustment_flip_y);
    QtWayland::xdg_popup::init(QtWayland::xdg_surface::get_popup(nullptr, positioner.object()));
    positioner.destroy();
    parent.get_popup(QtWayland::xdg_popup::object());
    // A menu takes the pointer and keyboard until it closes; a tool tip does not.
    QtWaylandClient::QWaylandDisplay* display = window->display();
    if (window->window()->type() == Qt::Popup && display->lastInputDevice() != nullptr) {
        grab(display->lastInputDevice()->wl_seat(), display->lastInputSerial());
    }
    wl_surface_commit(window->wlSurface());
}

LayerPopup::~LayerPopup() {
    if (QtWayland::xdg_popup::isInitialized()) {
        QtWayland::xdg_popup::destroy();
    }
    if (QtWayland::xdg_surface::isInitialized()) {
        QtWayland::xdg_surface::destroy();
    }
}

bool LayerPopup::handleExpose(const QRegion& region) {
    if (!configured_ && !region.isEmpty()) {
        exposeRegion_ = region;
        return true;
    }
    return false;
}

void LayerPopup::xdg_popup_configure(int32_t x, int32_t y, int32_t width, int32_t height) {
    (void)width;
    (void)height;
    // Where the compositor put it (slid or flipped to stay on the output).
    repositionFromApplyConfigure(parentWindow_->window()->geometry().topLeft() + QPoint(x, y));
}

void LayerPopup::xdg_surface_configure(uint32_t serial) {
    pendingSerial_ = serial;
    if (!configured_) {
        applyConfigure();
        exposeRegion_ = QRegion(QRect(QPoint(), window()->geometry().size()));
    } else {
        window()->applyConfigureWhenPossible();
    }
    if (!exposeRegion_.isEmpty()) {
        window()->handleExpose(exposeRegion_);
        exposeRegion_ = QRegion();
    }
}

void LayerPopup::applyConfigure() {
    if (pendingSerial_ != 0) {
        ack_configure(pendingSerial_);
        pendingSerial_ = 0;
        configured_ = true;
    }
}

void LayerPopup::xdg_popup_popup_done() {
    window()->window()->close();
}

}  // namespace tilebay
