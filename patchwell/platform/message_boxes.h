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
};

}  // namespace patchwell::platform
