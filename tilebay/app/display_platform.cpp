#include "tilebay/app/display_platform.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>

#ifdef TILEBAY_WAYLAND_PROBE
#include <wayland-client.h>

#include <cstring>
#endif

namespace tilebay {

DisplayChoice ChooseDisplayPlatform(const DisplayEnvironment& environment) {
    DisplayChoice choice;
    if (!environment.qpaPlatform.isEmpty()) {
        if (environment.qpaPlatform.startsWith("wayland") && environment.layerShellModule &&
            environment.shellIntegration.isEmpty()) {
            choice.shellIntegration = kLayerShellIntegration;
        }
        return choice;
    }
    if (environment.waylandDisplay.isEmpty()) {
        return choice;
    }
    if (environment.layerShellModule && environment.compositorHasLayerShell != nullptr &&
        environment.compositorHasLayerShell()) {
        choice.qpaPlatform = "wayland";
        if (environment.shellIntegration.isEmpty()) {
            choice.shellIntegration = kLayerShellIntegration;
        }
    } else if (!environment.display.isEmpty()) {
        choice.qpaPlatform = "xcb";
    }
    return choice;
}

namespace {

bool LayerShellModuleInstalled() {
    QStringList folders =
        qEnvironmentVariable("QT_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    for (const QString& folder : folders) {
        if (QFileInfo::exists(
                folder + QStringLiteral("/wayland-shell-integration/libtilebay-layer-shell.so"))) {
            return true;
        }
    }
    return false;
}

#ifdef TILEBAY_WAYLAND_PROBE
void NoteGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
    if (std::strcmp(interface, "zwlr_layer_shell_v1") == 0) {
        *static_cast<bool*>(data) = true;
    }
}
void NoteGlobalRemoved(void*, wl_registry*, uint32_t) {}
#endif

bool CompositorHasLayerShell() {
#ifdef TILEBAY_WAYLAND_PROBE
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return false;
    }
    bool found = false;
    static const wl_registry_listener kListener = {NoteGlobal, NoteGlobalRemoved};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kListener, &found);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return found;
#else
    return false;
#endif
}

}  // namespace

void SetUpDisplayPlatform() {
    DisplayEnvironment environment;
    environment.qpaPlatform = qgetenv("QT_QPA_PLATFORM");
    environment.shellIntegration = qgetenv("QT_WAYLAND_SHELL_INTEGRATION");
    environment.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    environment.display = qgetenv("DISPLAY");
    environment.layerShellModule = LayerShellModuleInstalled();
    environment.compositorHasLayerShell = CompositorHasLayerShell;
    const DisplayChoice choice = ChooseDisplayPlatform(environment);
    if (!choice.qpaPlatform.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", choice.qpaPlatform);
    }
    if (!choice.shellIntegration.isEmpty()) {
        qputenv("QT_WAYLAND_SHELL_INTEGRATION", choice.shellIntegration);
    }
}

}  // namespace tilebay
