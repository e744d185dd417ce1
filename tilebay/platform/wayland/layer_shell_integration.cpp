#include "tilebay/platform/wayland/layer_shell_integration.h"

#include <QtWaylandClient/private/qwaylanddisplay_p.h>
#include <QtWaylandClient/private/qwaylandshellintegrationfactory_p.h>
#include <QtWaylandClient/private/qwaylandshellintegrationplugin_p.h>
#include <QtWaylandClient/private/qwaylandwindow_p.h>

#include <QWindow>

#include <dlfcn.h>

#include "tilebay/platform/wayland/layer_surface.h"

namespace tilebay {

using QtWaylandClient::QWaylandDisplay;
using QtWaylandClient::QWaylandShellSurface;
using QtWaylandClient::QWaylandWindow;

namespace {

// Lets Qt keep the position a window asks for instead of pinning every top-level window to its
// screen's corner: the panel places itself (xdg-shell windows are placed by the compositor all
// the same). The switch is an inline static member, so this plugin holds a copy of its own;
// the one Qt reads lies in its Wayland client library.
void KeepRequestedPositions() {
    QWaylandWindow::fixedToplevelPositions = false;
    void* library = dlopen("libQt6WaylandClient.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) {
        return;
    }
    if (auto* flag = static_cast<bool*>(
            dlsym(library, "_ZN15QtWaylandClient14QWaylandWindow22fixedToplevelPositionsE"))) {
        *flag = false;
    }
    dlclose(library);
}

}  // namespace

LayerShellIntegration::~LayerShellIntegration() = default;

bool LayerShellIntegration::initialize(QWaylandDisplay* display) {
    display_ = display;
    for (const QWaylandDisplay::RegistryGlobal& global : display->globals()) {
        if (global.interface == QLatin1String(QtWayland::zwlr_layer_shell_v1::interface()->name)) {
            layerShell_.init(display->wl_registry(), static_cast<int>(global.id),
                             qMin(static_cast<int>(global.version), 4));
        } else if (global.interface == QLatin1String(QtWayland::xdg_wm_base::interface()->name)) {
            wmBase_.init(display->wl_registry(), static_cast<int>(global.id),
                         qMin(static_cast<int>(global.version), 2));
        }
    }
    if (!layerShell_.isInitialized() || !wmBase_.isInitialized()) {
        return false;
    }
    // Every window but the panel and its popups is Qt's own xdg-shell window.
    xdgShell_.reset(QtWaylandClient::QWaylandShellIntegrationFactory::create(
        QStringLiteral("xdg-shell"), display));
    KeepRequestedPositions();
    return xdgShell_ != nullptr;
}

QWaylandShellSurface* LayerShellIntegration::createShellSurface(QWaylandWindow* window) {
    QWindow* qwindow = window->window();
    frameSettler_.Watch(qwindow);
    const Qt::WindowType type = qwindow->type();
    if ((type == Qt::Window || type == Qt::Widget) &&
        qwindow->flags().testFlag(Qt::X11BypassWindowManagerHint)) {
        return new LayerSurface(*this, window);
    }
    if (type == Qt::Popup || type == Qt::ToolTip) {
        QWaylandWindow* parent = window->transientParent();
        if (auto* layer =
                parent != nullptr ? qobject_cast<LayerSurface*>(parent->shellSurface()) : nullptr) {
            return new LayerPopup(*this, window, *layer, parent);
        }
    }
    return xdgShell_->createShellSurface(window);
}

void* LayerShellIntegration::nativeResourceForWindow(const QByteArray& resource, QWindow* window) {
    return xdgShell_ ? xdgShell_->nativeResourceForWindow(resource, window) : nullptr;
}

class LayerShellPlugin : public QtWaylandClient::QWaylandShellIntegrationPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QWaylandShellIntegrationFactoryInterface_iid FILE "layer_shell.json")
public:
    QtWaylandClient::QWaylandShellIntegration* create(const QString& key,
                                                      const QStringList& parameters) override {
        (void)key;
        (void)parameters;
        return new LayerShellIntegration;
    }
};

}  // namespace tilebay

#include "layer_shell_integration.moc"
