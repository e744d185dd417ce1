#pragma once

#include <QString>

#include "common/widgets/message_box_kinds.h"

namespace patchwell::platform {

// The icons, buttons and answers of the programs' message boxes.
using MessageIcon = common::BoxIcon;
using MessageButtons = common::BoxButtons;
using MessageAnswer = common::BoxAnswer;

// Modal message boxes with a single OK button.
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
};

}  // namespace patchwell::platform
