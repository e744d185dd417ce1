#pragma once

#include "patchwell/platform/message_boxes.h"

class QWidget;

namespace patchwell::platform {

// patchwell's message box: the plain message box of both programs and the
// download control (common::ShowPlainMessageBox), in which Ctrl+C copies the
// text. Centred on `parent` when one is given. `details`, when not empty, is
// the box's detailed text (always plain), copied after the text.
MessageAnswer ShowMessageBox(QWidget* parent, const QString& text, const QString& title,
                             MessageButtons buttons, MessageIcon icon,
                             const QString& details = QString());

class QtMessageBoxes : public MessageBoxes {
public:
    void Show(const QString& text, MessageIcon icon, const QString& title) override;
    void ShowWithDetails(const QString& text, const QString& details, MessageIcon icon,
                         const QString& title) override;
    bool ShowOffer(const QString& text, const QString& details, const QString& choice,
                   MessageIcon icon, const QString& title) override;
    MessageAnswer Ask(const QString& text, MessageIcon icon, const QString& title) override;
};

}  // namespace patchwell::platform
