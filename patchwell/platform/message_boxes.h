#pragma once

#include <QString>

namespace patchwell::platform {

// The icons, buttons and answers of the programs' message boxes. Exclamation
// and Stop are the download control's names for Warning and Critical.
enum class MessageIcon {
    None,
    Information,
    Warning,
    Critical,
    Exclamation = Warning,
    Stop = Critical
};
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

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
