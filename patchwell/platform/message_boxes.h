#pragma once

#include <QString>

#include "common/widgets/message_box_kinds.h"

namespace patchwell::platform {

// The icons, buttons and answers of the programs' message boxes.
using MessageIcon = common::BoxIcon;
using MessageButtons = common::BoxButtons;
using MessageAnswer = common::BoxAnswer;

// Modal message boxes: most with a single OK button, an offer with one
// further choice, and a question.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows `text` and returns once the user has closed the box.
    virtual void Show(const QString& text, MessageIcon icon, const QString& title) = 0;
    // The same with `details` (plain text) behind the box's details button;
    // an empty `details` gives the plain box.
    virtual void ShowWithDetails(const QString& text, const QString& details, MessageIcon icon,
                                 const QString& title) {
        (void)details;
        Show(text, icon, title);
    }
    // An offer: the box of ShowWithDetails with the further button `choice`
    // beside OK. OK stays the default, on Return and on Escape alike; true
    // only when the user clicked `choice`. Boxes that cannot offer a choice
    // show the plain box.
    virtual bool ShowOffer(const QString& text, const QString& details, const QString& choice,
                           MessageIcon icon, const QString& title) {
        (void)choice;
        ShowWithDetails(text, details, icon, title);
        return false;
    }
    // A question with Yes (the default, on Return) and No (on Escape). Boxes
    // that cannot ask show the text and answer No: nothing is done on the
    // user's behalf.
    virtual MessageAnswer Ask(const QString& text, MessageIcon icon, const QString& title) {
        Show(text, icon, title);
        return MessageAnswer::No;
    }
};

}  // namespace patchwell::platform
