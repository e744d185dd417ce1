#include "window_look.h"

#include <QLabel>
#include <QWidget>

#include <cmath>

namespace tilebay {

int TwipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

QRect TwipRect(int x, int y, int width, int height) {
    return {TwipsToPixels(x), TwipsToPixels(y), TwipsToPixels(width), TwipsToPixels(height)};
}

QFont DesignFont(double pointSize, bool bold) {
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QLabel* PlaceLabel(QWidget* parent, const QRect& twips, const QString& text, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(TwipRect(twips.x(), twips.y(), twips.width(), twips.height()));
    label->setFont(font);
    return label;
}

void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
    if (role == QPalette::Window) {
        widget->setAutoFillBackground(true);
    }
}

}  // namespace tilebay
