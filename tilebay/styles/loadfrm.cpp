#include "tilebay/styles/loadfrm.h"

#include <QLabel>
#include <QScreen>

#include <utility>

#include "tilebay/styles/window_look.h"

namespace tilebay {

// A splash window: taskbars and pagers leave it out.
loadfrm::loadfrm(QString programFolder, ShellEffects& shell, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      programFolder_(std::move(programFolder)),
      shell_(shell) {
    setObjectName(QStringLiteral("loadfrm"));
    setWindowTitle(tr("Tilebay - Loading..."));
    setFixedSize(TwipSize(this, 4605, 2085));
    const QFont caption = DesignFont(9.75, true);
    titlecap = PlaceLabel(this, {120, 120, 4335, 255}, tr("Tilebay - Loading..."), caption);
    titlecap->setAlignment(Qt::AlignCenter);
    stylenamecap = PlaceLabel(this, {240, 600, 3495, 975}, tr("Style"), DesignFont(8.25, true));
    stylenamecap->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    programcap = PlaceLabel(this, {120, 1680, 4335, 255}, tr("Created By Quorlin"), caption);
    const QFont none;
    bordertop = PlaceLabel(this, {0, 0, 4695, 45}, {}, none);
    borderright = PlaceLabel(this, {4560, 0, 45, 2055}, {}, none);
    borderleft = PlaceLabel(this, {0, 0, 45, 2055}, {}, none);
    borderbottom = PlaceLabel(this, {0, 2040, 4695, 45}, {}, none);
    for (QLabel* strip : {bordertop, borderright, borderleft, borderbottom}) {
        SetColour(strip, QPalette::Window, Qt::darkGray);
    }
    const QRect area = screen()->availableGeometry();
    move(area.center() - rect().center());
}

void loadfrm::Form_Load() {
    completedSteps_ = RunSplashLoad(programFolder_, state_, *this);
}

QLabel* loadfrm::labelOf(SplashLabel label) const {
    switch (label) {
        case SplashLabel::Title:
            return titlecap;
        case SplashLabel::Program:
            return programcap;
        case SplashLabel::StyleName:
            break;
    }
    return stylenamecap;
}

void loadfrm::setTextColour(SplashLabel label, const QColor& colour) {
    SetColour(labelOf(label), QPalette::WindowText, colour);
}

void loadfrm::setFontFace(SplashLabel label, const QString& face) {
    QLabel* target = labelOf(label);
    QFont font = target->font();
    font.setFamily(face);
    target->setFont(font);
}

void loadfrm::setOpacity(qint16 opacity) {
    shell_.SetWindowOpacity(winId(), opacity);
}

void loadfrm::setBackgroundColour(const QColor& colour) {
    SetColour(this, QPalette::Window, colour);
}

void loadfrm::setBorderColour(SplashBorder border, const QColor& colour) {
    QLabel* strip = borderleft;
    switch (border) {
        case SplashBorder::Left:
            break;
        case SplashBorder::Right:
            strip = borderright;
            break;
        case SplashBorder::Bottom:
            strip = borderbottom;
            break;
        case SplashBorder::Top:
            strip = bordertop;
            break;
    }
    SetColour(strip, QPalette::Window, colour);
}

void loadfrm::setStyleText(const QString& text) {
    // A label breaks lines at LF; the CR of each CR LF would only show as a
    // stray glyph.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    stylenamecap->setText(shown);
}

}  // namespace tilebay
