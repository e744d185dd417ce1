#include "patchwell/download/control/qt_dialogs.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace patchwell::download {

namespace {

QString TitleOrApplication(const QString& title) {
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Stop:
            return QMessageBox::Critical;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MessageAnswer QtDownLoadDialogs::MessageBox(const QString& text, const QString& title,
                                            MessageButtons buttons, MessageIcon icon) {
    QMessageBox box(parent_.data());
    box.setObjectName(QStringLiteral("messageBox"));
    box.setWindowTitle(TitleOrApplication(title));
    // The texts carry addresses and paths from the network: never markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(ToQtIcon(icon));
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    // The host's windows may be hidden or topmost while the control asks.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    const int result = box.exec();
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    return result == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

QString QtDownLoadDialogs::InputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) {
    bool accepted = false;
    const QString text = QInputDialog::getText(parent_.data(), TitleOrApplication(title), prompt,
                                               QLineEdit::Normal, defaultText, &accepted);
    return accepted ? text : QString();
}

std::shared_ptr<DownLoadEnvironment> MakeWidgetEnvironment(QWidget* dialogParent) {
    return std::make_shared<SystemDownLoadEnvironment>(
        std::make_unique<QtDownLoadDialogs>(dialogParent));
}

}  // namespace patchwell::download
