#pragma once

#include "message_boxes.h"

namespace patchwell::platform {

class QtMessageBoxes : public MessageBoxes {
public:
    void Show(const QString& text, MessageIcon icon, const QString& title) override;
};

}  // namespace patchwell::platform
