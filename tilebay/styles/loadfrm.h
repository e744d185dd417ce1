#pragma once

// The splash window shown while the panel loads: the program's name, the
// maker line and the chosen style's name and description, in the style's
// colours, font and opacity. Frameless, centred on the screen, no handlers
// besides its load.

#include <QString>
#include <QWidget>

#include "tilebay/platform/shell/shell_effects.h"
#include "tilebay/styles/splash_logic.h"

class QLabel;

namespace tilebay {

class loadfrm : public QWidget, private SplashView {
    Q_OBJECT

public:
    loadfrm(QString programFolder, ShellEffects& shell, QWidget* parent = nullptr);

    // Reads the chosen style and applies it; the first failing step ends the
    // load and keeps the design look for the rest. Never throws.
    void Form_Load();

    const SplashState& state() const { return state_; }
    // Load steps completed by the last Form_Load (kSplashSteps: all).
    int completedSteps() const { return completedSteps_; }

    QLabel* titlecap;
    QLabel* stylenamecap;
    QLabel* programcap;
    QLabel* bordertop;
    QLabel* borderright;
    QLabel* borderleft;
    QLabel* borderbottom;

private:
    void setTextColour(SplashLabel label, const QColor& colour) override;
    void setFontFace(SplashLabel label, const QString& face) override;
    void setOpacity(qint16 opacity) override;
    void setBackgroundColour(const QColor& colour) override;
    void setBorderColour(SplashBorder border, const QColor& colour) override;
    void setStyleText(const QString& text) override;

    QLabel* labelOf(SplashLabel label) const;

    QString programFolder_;
    ShellEffects& shell_;
    SplashState state_;
    int completedSteps_ = 0;
};

}  // namespace tilebay
