#pragma once

// The splash window's load, without a widget: it reads the chosen style on
// its own and paints the splash through a small view. The steps run in a
// fixed order and the first one that fails ends the load; what was applied
// stays, the rest keeps its design look. Nothing is ever reported.

#include <QColor>
#include <QString>

#include "tilebay/settings/style_settings.h"

namespace tilebay {

enum class SplashLabel { Title, Program, StyleName };  // titlecap, programcap, stylenamecap
enum class SplashBorder { Left, Right, Bottom, Top };

class SplashView {
public:
    virtual ~SplashView() = default;
    virtual void setTextColour(SplashLabel label, const QColor& colour) = 0;
    // Changes only the face name; size and weight stay.
    virtual void setFontFace(SplashLabel label, const QString& face) = 0;
    // Called only with 0..255.
    virtual void setOpacity(qint16 opacity) = 0;
    virtual void setBackgroundColour(const QColor& colour) = 0;
    virtual void setBorderColour(SplashBorder border, const QColor& colour) = 0;
    virtual void setStyleText(const QString& text) = 0;
};

// What the splash keeps of the style for its lifetime. The integer fields of
// `style` that the splash reads: font, background, border colours, opacity.
struct SplashState {
    StyleSettings style;
    QString splashStyleName;    // first 12 characters of NAME stylename
    QString splashDescription;  // first 30 characters of NAME description
    QString splashSecondLine;   // NAME stylename again, first 12 characters
};

// The number of load steps; RunSplashLoad returns it when none failed.
inline constexpr int kSplashSteps = 9;

// Runs the load against the style chosen in `programFolder`'s
// styleloader.ini. Returns the number of steps completed.
int RunSplashLoad(const QString& programFolder, SplashState& state, SplashView& view);

// The style label's text: "Style: " name CR LF second line CR LF description.
QString SplashStyleText(const SplashState& state);

// The first `count` characters of `text`, all of it when shorter; a character
// made of two UTF-16 units is never split.
QString FirstCharacters(const QString& text, int count);

}  // namespace tilebay
