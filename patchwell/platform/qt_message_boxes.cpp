#include "qt_message_boxes.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QShortcut>

namespace patchwell::platform {

void QtMessageBoxes::Show(const QString& text, MessageIcon icon, const QString& title) {
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
        case MessageIcon::None:
            break;
        case MessageIcon::Information:
            qtIcon = QMessageBox::Information;
            break;
        case MessageIcon::Warning:
            qtIcon = QMessageBox::Warning;
            break;
        case MessageIcon::Critical:
            qtIcon = QMessageBox::Critical;
            break;
    }
    QMessageBox box(qtIcon, title, text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("messageBox"));
    // Messages may carry texts from the network: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    // The windows that raise messages may be hidden or topmost; keep the box
    // above them so the user always sees it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Ctrl+C copies the message, so that it can be pasted into a report.
    auto* copy = new QShortcut(QKeySequence::Copy, &box);
    QObject::connect(copy, &QShortcut::activated, &box, [text] {
        if (QClipboard* clipboard = QGuiApplication::clipboard()) {
            clipboard->setText(text);
        }
    });
    box.exec();
}

}  // namespace patchwell::platform
