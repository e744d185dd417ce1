#include "patchwell/download/control/download.h"

#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

#include "common/widgets/twips.h"
#include "patchwell/download/control/download_environment.h"
#include "patchwell/download/control/download_events.h"
#include "patchwell/download/control/qt_dialogs.h"

namespace patchwell::download {

DownLoad::DownLoad(QWidget* parent) : DownLoad(nullptr, parent) {}

DownLoad::DownLoad(std::shared_ptr<DownLoadEnvironment> environment, QWidget* parent)
    : QWidget(parent),
      core_(std::make_unique<DownLoadCore>(environment ? std::move(environment)
                                                       : MakeWidgetEnvironment(this))) {
    [[maybe_unused]] const bool forwarded = ForwardEvents(*core_, *this);
    Q_ASSERT(forwarded);
    setToolTip(QStringLiteral("DownLoad"));
    applyFixedSize();
}

DownLoad::~DownLoad() = default;

QSize DownLoad::fixedPixelSize() const {
    return QSize(common::TwipsToPixels(kSizeTwips, logicalDpiX()),
                 common::TwipsToPixels(kSizeTwips, logicalDpiY()));
}

void DownLoad::applyFixedSize() {
    const QSize wanted = fixedPixelSize();
    if (minimumSize() != wanted || maximumSize() != wanted) {
        setFixedSize(wanted);
    }
    if (size() != wanted) {
        resize(wanted);
    }
}

void DownLoad::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (event->size() != fixedPixelSize()) {
        applyFixedSize();
    }
}

void DownLoad::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.scale(width() / 32.0, height() / 32.0);
    DrawFace(painter, 32);
}

void DownLoad::DrawFace(QPainter& painter, qreal size) {
    // A blue tile with a white arrow pointing down into a tray, drawn on a
    // 32 x 32 grid.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);

    painter.setPen(QPen(QColor(20, 60, 120), 1));
    painter.setBrush(QColor(45, 110, 200));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 5, 5);

    QPainterPath arrow;
    arrow.moveTo(13, 5);
    arrow.lineTo(19, 5);
    arrow.lineTo(19, 14);
    arrow.lineTo(24, 14);
    arrow.lineTo(16, 22);
    arrow.lineTo(8, 14);
    arrow.lineTo(13, 14);
    arrow.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(arrow);

    painter.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    QPainterPath tray;
    tray.moveTo(6, 21);
    tray.lineTo(6, 26);
    tray.lineTo(26, 26);
    tray.lineTo(26, 21);
    painter.drawPath(tray);
    painter.restore();
}

}  // namespace patchwell::download
