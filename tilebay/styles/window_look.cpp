#include "tilebay/styles/window_look.h"

#include <QLabel>
#include <QWidget>

#include "common/widgets/twips.h"

namespace tilebay {

QSize TwipSize(const QWidget* window, double width, double height) {
    return {common::TwipsToPixels(width, window->logicalDpiX()),
            common::TwipsToPixels(height, window->logicalDpiY())};
}

QRect TwipRect(const QWidget* window, int x, int y, int width, int height) {
    return common::TwipsToPixels(QRectF(x, y, width, height), window->logicalDpiX(),
                                 window->logicalDpiY());
}

QFont DesignFont(double pointSize, bool bold) {
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QLabel* PlaceLabel(QWidget* parent, const QRect& twips, const QString& text, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(TwipRect(parent, twips.x(), twips.y(), twips.width(), twips.height()));
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
