#pragma once

// Small helpers of the splash and style loader windows: design geometry in
// twips through the logical resolution of the window's screen (the rule of
// common/widgets/twips.h), fonts and palette colours.

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QSize>
#include <QString>

class QLabel;
class QWidget;

namespace tilebay {

// `twips` in pixels of `window`'s screen.
QSize TwipSize(const QWidget* window, double width, double height);
QRect TwipRect(const QWidget* window, int x, int y, int width, int height);
QFont DesignFont(double pointSize, bool bold);
// A label placed at its design geometry (twips) with its design text.
QLabel* PlaceLabel(QWidget* parent, const QRect& twips, const QString& text, const QFont& font);
// Sets one palette colour of `widget`; a background role also makes the
// widget paint its background.
void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour);

}  // namespace tilebay
