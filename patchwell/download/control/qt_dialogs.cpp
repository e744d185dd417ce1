#include "patchwell/download/control/qt_dialogs.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "common/widgets/plain_message_box.h"

namespace patchwell::download {

namespace {

QString TitleOrApplication(const QString& title) {
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

}  // namespace

MessageAnswer QtDownLoadDialogs::MessageBox(const QString& text, const QString& title,
                                            MessageButtons buttons, MessageIcon icon) {
    return common::ShowPlainMessageBox(parent_.data(), text, title, icon, buttons);
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
