#pragma once

// For tests of modal dialogs: a response to the next one, given once it is up.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace common::testing {

// Runs `respond` on the next modal dialog once it is up; call it before the
// call that shows the dialog (and runs its own event loop).
inline void RespondToNextDialog(std::function<void(QWidget*)> respond) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, respond] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            respond(dialog);
        }
    });
    timer->start(10);
}

}  // namespace common::testing
