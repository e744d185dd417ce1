#include "patchwell/update/windows/window_support.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include "common/widgets/twips.h"

namespace patchwell::update {

namespace {

double LogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
}

}  // namespace

int Twips(int twips) {
    return common::TwipsToPixels(twips, LogicalDpi());
}

QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

void FixClientSizeAndCentre(QWidget* window, int widthTwips, int heightTwips) {
    window->setFixedSize(Twips(widthTwips), Twips(heightTwips));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
}

void MakeTopmost(QWidget* window) {
    // Wayland gives no client a place above other windows: there the window is only raised,
    // quietly, and keeps its native window (a flag change would make it anew).
    if (QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) {
        window->raise();
        return;
    }
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (visible) {
        window->show();  // changing the flags hides a shown window
    }
}

void RemoveCloseCommand(QWidget* window) {
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::CustomizeWindowHint, true);
    window->setWindowFlag(Qt::WindowCloseButtonHint, false);
    if (visible) {
        window->show();
    }
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // Labels show addresses, file names and server texts: never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->move(Twips(left), Twips(top));
    label->adjustSize();
    return label;
}

std::unique_ptr<common::TextFit> MakeTextFit(QWidget* window) {
    return std::make_unique<common::TextFit>(window, Twips(60));
}

void AddLine(QWidget* parent, const char* name, int top) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, Twips(top), parent->width(), 2);
}

QPixmap AnimationFrame(int index) {
    // A ring of sixteen dots with a bright head and a fading tail that moves
    // one step per frame.
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(16, 16);
    for (int dot = 0; dot < 16; ++dot) {
        const int age = (index - dot + 16) % 16;  // 0: the head
        const int alpha = age < 6 ? 255 - age * 40 : 40;
        painter.save();
        painter.rotate(dot * 22.5);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(30, 90, 190, alpha));
        const double radius = age == 0 ? 3.2 : 2.4;
        painter.drawEllipse(QPointF(0, -11.5), radius, radius);
        painter.restore();
    }
    return pixmap;
}

QPixmap ProductPicture(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(20, 60, 120), 1));
    painter.setBrush(QColor(45, 110, 200));
    painter.drawRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), 3, 3);
    painter.setPen(QPen(Qt::white, 2));
    // A patch: a small square with a cross stitch.
    const QRectF patch(width * 0.22, height * 0.25, width * 0.56, height * 0.5);
    painter.drawRect(patch);
    painter.drawLine(patch.topLeft(), patch.bottomRight());
    return pixmap;
}

}  // namespace patchwell::update
