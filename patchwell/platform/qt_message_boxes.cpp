#include "qt_message_boxes.h"

#include <QMessageBox>

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
    // The windows that raise messages may be hidden or topmost; keep the box
    // above them so the user always sees it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
}

}  // namespace patchwell::platform
