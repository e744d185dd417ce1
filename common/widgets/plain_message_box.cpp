#include "common/widgets/plain_message_box.h"

#include <QCoreApplication>

namespace common {

QMessageBox::StandardButton ShowPlainMessageBox(QWidget* parent, const QString& text,
                                                const QString& title, QMessageBox::Icon icon,
                                                BoxButtons buttons,
                                                const std::function<void(QMessageBox&)>& addToBox) {
    QMessageBox box(parent);
    box.setObjectName(QStringLiteral("messageBox"));
    box.setWindowTitle(title.isEmpty() ? QCoreApplication::applicationName() : title);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(icon);
    if (buttons == BoxButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (addToBox) {
        addToBox(box);
    }
    const int result = box.exec();
    if (buttons == BoxButtons::Ok) {
        return QMessageBox::Ok;
    }
    return result == QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::No;
}

}  // namespace common
