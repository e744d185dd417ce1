#pragma once

// The panel window's controls, named as in the design: made once as children
// of the window, with their colours, fonts and places in twips, the option
// boxes' and "Close"'s texts kept whole, the caption strip as high as its
// font needs.

#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QRect>
#include <QRectF>
#include <QString>

#include <array>

#include "tilebay/panel/core/list_keyboard.h"
#include "tilebay/panel/core/panel_logic.h"
#include "tilebay/panel/window/panel_list.h"

namespace tilebay {

class PanelControls {
public:
    explicit PanelControls(QWidget* window);

    QWidget* Control(PanelControl control) const;
    // An option box (Check1 to Check3).
    QCheckBox* Box(PanelControl box) const;
    PanelList* List() const { return list_; }

    void SetTextColour(PanelControl control, const QColor& colour);
    void SetBackColour(PanelControl control, const QColor& colour);
    QColor BackColour(PanelControl control) const;
    // The style's colour for "Close", also where it gave way to a readable one.
    QColor CloseButtonTextColour() const;
    // Only the face changes; size and style stay.
    void SetFontFace(PanelControl control, const QString& face);
    // Sets a label's text; the caption strip shows `filter` after its text.
    void SetCaption(PanelControl control, const QString& text, const QString& filter);
    void ShowFilter(const QString& filter);
    // Places a control (Window: the window's size).
    void SetGeometry(PanelControl control, const QRectF& twips);
    // Every control at its design place, the texts as translated now fitted.
    void PlaceAsDesigned();

private:
    QRect ToPixels(const QRectF& twips) const;
    // Gives texts longer than their design room (translations) the room they
    // need; the window keeps its size.
    void FitTexts();
    void PlaceList();
    void PlaceCaption();

    QWidget* window_;
    PanelList* list_;
    std::array<QWidget*, kPanelControlCount> controls_{};
    // The option boxes' texts as translated, before FitTexts breaks them.
    std::array<QString, 3> optionTexts_;
    // The list's place as the logic set it, and how far FitTexts moves its
    // top down.
    QRectF listTwips_;
    int listShift_ = 0;
    QRectF captionTwips_;
    QString caption_;
};

}  // namespace tilebay
