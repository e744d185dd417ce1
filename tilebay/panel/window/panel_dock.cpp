#include "tilebay/panel/window/panel_dock.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "tilebay/platform/shell/shell_effects.h"

namespace tilebay {

Q_LOGGING_CATEGORY(lcPanelDock, "tilebay.panel", QtInfoMsg)

QScreen* ChooseScreen(const QString& name) {
    if (!name.isEmpty()) {
        for (QScreen* screen : QGuiApplication::screens()) {
            if (screen->name() == name) {
                return screen;
            }
        }
    }
    return QGuiApplication::primaryScreen();
}

PanelDock::PanelDock(ShellEffects& shell, QWidget* window, std::function<void()> moved)
    : QObject(window), shell_(shell), window_(window), moved_(std::move(moved)) {
    Watch();
}

QScreen* PanelDock::Screen() const {
    return ChooseScreen(screenName_);
}

// The X server's own monitor geometry where it has one: Qt's screens keep
// their old size after a mode change of a monitor.
std::optional<QRect> PanelDock::Geometry() const {
    const QScreen* dock = Screen();
    if (dock == nullptr) {
        return std::nullopt;
    }
    return shell_.MonitorGeometry(dock->name()).value_or(dock->geometry());
}

void PanelDock::Remember() {
    dockedOn_ = Geometry().value_or(QRect());
}

// A screen that comes, goes or changes size moves the panel at once: to the
// named screen when it is there, else to the primary one.
void PanelDock::Watch() {
    for (QScreen* screen : QGuiApplication::screens()) {
        connect(screen, &QScreen::geometryChanged, this, &PanelDock::Again, Qt::UniqueConnection);
    }
    connect(qApp, &QGuiApplication::screenAdded, this, &PanelDock::Again, Qt::UniqueConnection);
    connect(qApp, &QGuiApplication::screenRemoved, this, &PanelDock::Again, Qt::UniqueConnection);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, &PanelDock::Again,
            Qt::UniqueConnection);
    QPointer<PanelDock> self(this);
    shell_.WatchMonitors([self] {
        if (self) {
            self->Again();
        }
    });
}

// After the screen change has settled (a removed screen is still listed
// while its signal is delivered).
void PanelDock::Again() {
    if (pending_) {
        return;
    }
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        Watch();  // a screen that came has signals of its own
        if (!window_->isVisible()) {
            return;
        }
        // Only a change of the dock screen's place or size moves the panel
        // (other monitors may change too); with no screen at all the panel
        // stays where it is.
        const std::optional<QRect> geometry = Geometry();
        if (!geometry || *geometry == dockedOn_) {
            return;
        }
        qCDebug(lcPanelDock) << "docking on" << Screen()->name() << *geometry;
        moved_();
    });
}

}  // namespace tilebay
