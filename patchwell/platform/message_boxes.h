#pragma once

#include <QString>

namespace patchwell::platform {

enum class MessageIcon { None, Information, Warning, Critical };

// Modal message boxes with a single OK button.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows `text` and returns once the user has closed the box.
    virtual void Show(const QString& text, MessageIcon icon, const QString& title) = 0;
};

}  // namespace patchwell::platform
