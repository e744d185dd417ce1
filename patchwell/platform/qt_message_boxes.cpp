#include "patchwell/platform/qt_message_boxes.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QShortcut>

#include "common/widgets/plain_message_box.h"

namespace patchwell::platform {

MessageAnswer ShowMessageBox(QWidget* parent, const QString& text, const QString& title,
                             MessageButtons buttons, MessageIcon icon, const QString& details) {
    return common::ShowPlainMessageBox(
        parent, text, title, icon, buttons, [&text, &details](QMessageBox& box) {
            if (!details.isEmpty()) {
                box.setDetailedText(details);
            }
            auto* copy = new QShortcut(QKeySequence::Copy, &box);
            // The copy holds the details too, after a blank line.
            const QString copied =
                details.isEmpty() ? text : text + QStringLiteral("\n\n") + details;
            QObject::connect(copy, &QShortcut::activated, &box, [copied] {
                if (QClipboard* clipboard = QApplication::clipboard()) {
                    clipboard->setText(copied);
                }
            });
        });
}

void QtMessageBoxes::Show(const QString& text, MessageIcon icon, const QString& title) {
    ShowMessageBox(nullptr, text, title, MessageButtons::Ok, icon);
}

void QtMessageBoxes::ShowWithDetails(const QString& text, const QString& details, MessageIcon icon,
                                     const QString& title) {
    ShowMessageBox(nullptr, text, title, MessageButtons::Ok, icon, details);
}

}  // namespace patchwell::platform
