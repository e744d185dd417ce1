#include "tilebay/panel/window/panel_controls.h"

#include <QCoreApplication>
#include <QPalette>
#include <QVariant>

#include <algorithm>
#include <stdexcept>

#include "common/widgets/text_fit.h"
#include "common/widgets/twips.h"

namespace tilebay {

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QCheckBox* MakeBox(QWidget* parent, const QString& name, const QString& text) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

void SetRole(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

}  // namespace

PanelControls::PanelControls(QWidget* window) : window_(window) {
    using C = PanelControl;
    // Made in the design's order, which is also the order they stack in;
    // their texts are the panel window's.
    const auto label = [&](C control, const char* name, const QString& text) {
        auto* made = MakeLabel(window, QString::fromLatin1(name), text);
        controls_.at(static_cast<std::size_t>(control)) = made;
        return made;
    };
    const auto box = [&](C control, const char* name, const QString& text) {
        controls_.at(static_cast<std::size_t>(control)) =
            MakeBox(window, QString::fromLatin1(name), text);
    };
    controls_.at(static_cast<std::size_t>(C::Window)) = window;
    QLabel* closebtn = label(C::closebtn, "closebtn",
                             QCoreApplication::translate("tilebay::DesktopMain", "Close"));
    QLabel* loadstylesbtn = label(C::loadstylesbtn, "loadstylesbtn", QString());
    box(C::Check1, "Check1", QCoreApplication::translate("tilebay::DesktopMain", "Always On Top"));
    box(C::Check2, "Check2",
        QCoreApplication::translate("tilebay::DesktopMain", "Hide/Show Taskbar"));
    box(C::Check3, "Check3",
        QCoreApplication::translate("tilebay::DesktopMain", "Hide/Show Desktop icons"));
    list_ = new PanelList(window);
    controls_.at(static_cast<std::size_t>(C::lvwIcons)) = list_;
    label(C::titlecap, "titlecap", QStringLiteral("Tilebay"));
    label(C::borderleft, "borderleft", QString());
    label(C::borderright, "borderright", QString());
    label(C::borderbottom, "borderbottom", QString());

    list_->setObjectName(QStringLiteral("lvwIcons"));
    list_->setRootIsDecorated(false);
    list_->setColumnCount(0);
    list_->setHeaderHidden(true);
    // The list takes the keyboard only when the panel is toggled into view
    // (an override-redirect window gets no focus from a window manager).
    list_->setFocusPolicy(Qt::NoFocus);
    list_->setIconSize(QSize(16, 16));
    list_->setDragEnabled(true);
    list_->setDragDropMode(QAbstractItemView::DragOnly);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);

    // The labels that are strips keep a colour of their own; "Close" keeps
    // its design face, whatever the window's background becomes.
    for (C strip : {C::borderleft, C::borderright, C::borderbottom, C::titlecap, C::closebtn,
                    C::loadstylesbtn, C::Check1, C::Check2, C::Check3}) {
        Control(strip)->setAutoFillBackground(true);
    }
    SetRole(closebtn, QPalette::Window, window->palette().color(QPalette::Button));
    SetRole(loadstylesbtn, QPalette::Window, window->palette().color(QPalette::Button));
    // Its colour becomes the window's: a thin frame keeps the square findable.
    loadstylesbtn->setFrameShape(QFrame::Box);
}

QWidget* PanelControls::Control(PanelControl control) const {
    return controls_.at(static_cast<std::size_t>(control));
}

QCheckBox* PanelControls::Box(PanelControl box) const {
    if (!ControlRow(box).option) {
        throw std::invalid_argument("not an option box");
    }
    return static_cast<QCheckBox*>(Control(box));
}

QColor PanelControls::CloseButtonTextColour() const {
    const QWidget* closebtn = Control(PanelControl::closebtn);
    const QVariant style = closebtn->property("styleColour");
    return style.isValid() ? style.value<QColor>()
                           : closebtn->palette().color(QPalette::WindowText);
}

void PanelControls::SetTextColour(PanelControl control, const QColor& colour) {
    QWidget* widget = Control(control);
    if (control == PanelControl::closebtn) {
        // "Close" keeps its design face; a style colour that cannot be read
        // on it gives way to black or white. The style loader still takes
        // the style's colour (CloseButtonTextColour).
        widget->setProperty("styleColour", colour);
        SetRole(widget, widget->foregroundRole(),
                ReadableTextColour(colour, widget->palette().color(QPalette::Window)));
        return;
    }
    SetRole(widget, widget->foregroundRole(), colour);
    if (control == PanelControl::lvwIcons) {
        SetRole(widget, QPalette::Text, colour);
    }
}

// Labels and the window paint QPalette::Window, the check boxes their button
// role, the list its base.
void PanelControls::SetBackColour(PanelControl control, const QColor& colour) {
    QWidget* widget = Control(control);
    SetRole(widget, control == PanelControl::lvwIcons ? QPalette::Base : widget->backgroundRole(),
            colour);
}

QColor PanelControls::BackColour(PanelControl control) const {
    const QWidget* widget = Control(control);
    return widget->palette().color(control == PanelControl::lvwIcons ? QPalette::Base
                                                                     : widget->backgroundRole());
}

void PanelControls::SetFontFace(PanelControl control, const QString& face) {
    QWidget* widget = Control(control);
    QFont font = widget->font();
    font.setFamilies({face});
    widget->setFont(font);
    if (control == PanelControl::closebtn || ControlRow(control).option) {
        FitTexts();
    } else if (control == PanelControl::titlecap) {
        PlaceCaption();
    }
}

void PanelControls::SetCaption(PanelControl control, const QString& text, const QString& filter) {
    if (control == PanelControl::titlecap) {
        caption_ = text;
        ShowFilter(filter);
        return;
    }
    if (auto* label = qobject_cast<QLabel*>(Control(control))) {
        label->setText(text);
    }
}

void PanelControls::ShowFilter(const QString& filter) {
    static_cast<QLabel*>(Control(PanelControl::titlecap))
        ->setText(CaptionWithFilter(caption_, filter));
}

QRect PanelControls::ToPixels(const QRectF& twips) const {
    return common::TwipsToPixels(twips, window_->logicalDpiX(), window_->logicalDpiY());
}

void PanelControls::SetGeometry(PanelControl control, const QRectF& twips) {
    const QRect rect = ToPixels(twips);
    if (control == PanelControl::Window) {
        window_->setFixedSize(rect.size());
    } else if (control == PanelControl::lvwIcons) {
        listTwips_ = twips;
        PlaceList();
    } else if (control == PanelControl::titlecap) {
        captionTwips_ = twips;
        PlaceCaption();
    } else {
        Control(control)->setGeometry(rect);
    }
}

void PanelControls::PlaceAsDesigned() {
    for (const PanelControlRow& row : kPanelControls) {
        SetGeometry(row.control, row.design);
    }
    optionTexts_ = {Box(PanelControl::Check1)->text(), Box(PanelControl::Check2)->text(),
                    Box(PanelControl::Check3)->text()};
    FitTexts();
}

// The design fits the English texts. A longer "Close" grows to the left (the
// first option box gives way to it); an option box whose text is too long
// breaks it into lines and grows downwards, moving the boxes below it and the
// top of the list down. The list's bottom, the caption strip and the window
// stay where they are.
void PanelControls::FitTexts() {
    auto* closebtn = static_cast<QLabel*>(Control(PanelControl::closebtn));
    const QRect closeDesign = ToPixels(DesignGeometry(PanelControl::closebtn));
    QRect close = closeDesign;
    closebtn->ensurePolished();
    const int closeNeeds = common::TextSize(closebtn->fontMetrics(), closebtn->text()).width() + 4;
    if (closeNeeds > close.width()) {
        close.setLeft(close.right() + 1 - closeNeeds);
    }
    closebtn->setGeometry(close);

    int shift = 0;
    const PanelControl boxes[] = {PanelControl::Check1, PanelControl::Check2, PanelControl::Check3};
    for (std::size_t i = 0; i < std::size(boxes); ++i) {
        QRect rect = ToPixels(DesignGeometry(boxes[i])).translated(0, shift);
        if (i == 0 && close.left() < closeDesign.left()) {
            rect.setRight(std::min(rect.right(), close.left() - 1));
        }
        shift += common::FitOptionBox(*Box(boxes[i]), rect, optionTexts_.at(i));
    }
    listShift_ = shift;
    PlaceList();
}

// The caption strip is as high as its font needs: it grows upwards, into the
// gap above it, so that its bottom, the window and the retracted panel's
// visible strip stay where they are.
void PanelControls::PlaceCaption() {
    auto* titlecap = static_cast<QLabel*>(Control(PanelControl::titlecap));
    QRect rect = ToPixels(captionTwips_);
    const int line = common::TextSize(titlecap->fontMetrics(), QStringLiteral("X"), 100000,
                                      titlecap->alignment())
                         .height();
    rect.setTop(std::min(rect.top(), rect.bottom() + 1 - line));
    titlecap->setGeometry(rect);
}

void PanelControls::PlaceList() {
    QRect rect = ToPixels(listTwips_);
    rect.setTop(std::min(rect.top() + listShift_, rect.bottom() + 1));
    list_->setGeometry(rect);
}

}  // namespace tilebay
