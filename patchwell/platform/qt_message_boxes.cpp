#include "patchwell/platform/qt_message_boxes.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>

#include "common/widgets/plain_message_box.h"

namespace patchwell::platform {

namespace {

// `details` as the box's detailed text, and Ctrl+C copying the text with them.
void AddDetailsAndCopy(QMessageBox& box, const QString& text, const QString& details) {
    if (!details.isEmpty()) {
        box.setDetailedText(details);
    }
    auto* copy = new QShortcut(QKeySequence::Copy, &box);
    // The copy holds the details too, after a blank line.
    const QString copied = details.isEmpty() ? text : text + QStringLiteral("\n\n") + details;
    QObject::connect(copy, &QShortcut::activated, &box, [copied] {
        if (QClipboard* clipboard = QApplication::clipboard()) {
            clipboard->setText(copied);
        }
    });
}

}  // namespace

MessageAnswer ShowMessageBox(QWidget* parent, const QString& text, const QString& title,
                             MessageButtons buttons, MessageIcon icon, const QString& details) {
    return common::ShowPlainMessageBox(
        parent, text, title, icon, buttons,
        [&text, &details](QMessageBox& box) { AddDetailsAndCopy(box, text, details); });
}

void QtMessageBoxes::Show(const QString& text, MessageIcon icon, const QString& title) {
    ShowMessageBox(nullptr, text, title, MessageButtons::Ok, icon);
}

void QtMessageBoxes::ShowWithDetails(const QString& text, const QString& details, MessageIcon icon,
                                     const QString& title) {
    ShowMessageBox(nullptr, text, title, MessageButtons::Ok, icon, details);
}

bool QtMessageBoxes::ShowOffer(const QString& text, const QString& details, const QString& choice,
                               MessageIcon icon, const QString& title) {
    bool chosen = false;
    common::ShowPlainMessageBox(
        nullptr, text, title, icon, MessageButtons::Ok,
        [&text, &details, &choice, &chosen](QMessageBox& box) {
            AddDetailsAndCopy(box, text, details);
            QPushButton* other = box.addButton(choice, QMessageBox::RejectRole);
            other->setObjectName(QStringLiteral("choiceButton"));
            // Only its own button takes the choice: Return and Escape mean OK.
            box.setDefaultButton(QMessageBox::Ok);
            box.setEscapeButton(box.button(QMessageBox::Ok));
            QObject::connect(
                &box, &QMessageBox::buttonClicked, &box,
                [&chosen, other](QAbstractButton* clicked) { chosen = clicked == other; });
        });
    return chosen;
}

MessageAnswer QtMessageBoxes::Ask(const QString& text, MessageIcon icon, const QString& title) {
    return ShowMessageBox(nullptr, text, title, MessageButtons::YesNo, icon);
}

}  // namespace patchwell::platform
