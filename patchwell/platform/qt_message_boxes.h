#pragma once

#include "patchwell/platform/message_boxes.h"

class QWidget;

namespace patchwell::platform {

// The one Qt message box of both programs and the download control. Texts
// are shown as plain text, never as markup (they may come from the
// network); an empty title stands for the application's name. The box stays
// above the program's other windows, which may be hidden or topmost, and
// Ctrl+C copies its text. Centred on `parent` when one is given.
// `details`, when not empty, is the box's detailed text (always plain).
MessageAnswer ShowMessageBox(QWidget* parent, const QString& text, const QString& title,
                             MessageButtons buttons, MessageIcon icon,
                             const QString& details = QString());

class QtMessageBoxes : public MessageBoxes {
public:
    void Show(const QString& text, MessageIcon icon, const QString& title) override;
    void ShowWithDetails(const QString& text, const QString& details, MessageIcon icon,
                         const QString& title) override;
};

}  // namespace patchwell::platform
