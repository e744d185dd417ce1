#pragma once

// Where the panel docks: the screen named in options.ini, else the primary
// screen. A screen that comes, goes or changes size is noticed; once the
// change has settled and the dock screen's place or size differs from the
// last retraction while `window` is shown, `moved` is called.

#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>

class QScreen;
class QWidget;

namespace tilebay {

class ShellEffects;

// The screen named `name` (a RandR output such as "DP-1"), else the primary
// screen; nullptr only without any screen.
QScreen* ChooseScreen(const QString& name);

class PanelDock : public QObject {
public:
    PanelDock(ShellEffects& shell, QWidget* window, std::function<void()> moved);

    void SetScreenName(const QString& name) { screenName_ = name; }
    QScreen* Screen() const;
    // The dock screen's geometry in pixels; nullopt without any screen.
    std::optional<QRect> Geometry() const;
    // Notes the dock screen's geometry as the one the panel sits on now.
    void Remember();

private:
    void Watch();
    void Again();

    ShellEffects& shell_;
    QWidget* window_;
    std::function<void()> moved_;
    QString screenName_;
    bool pending_ = false;
    QRect dockedOn_;  // the dock screen's geometry at the last retraction
};

}  // namespace tilebay
