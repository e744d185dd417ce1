#pragma once

// The one message box of both programs and the download control. Its text is
// always plain, never markup (texts may carry addresses and paths from the
// network); an empty title stands for the application's name; the box stays
// above the program's other windows, which may be hidden or topmost. A Yes/No
// box has Yes as its default and answers No on Escape.

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace common {

enum class BoxButtons { Ok, YesNo };

// Shows the box modally, centred on `parent` when one is given; `addToBox`,
// when given, adds to the box before it shows. Returns the answer: always
// QMessageBox::Ok for an Ok box, QMessageBox::Yes or QMessageBox::No for a
// Yes/No box.
QMessageBox::StandardButton ShowPlainMessageBox(
    QWidget* parent, const QString& text, const QString& title, QMessageBox::Icon icon,
    BoxButtons buttons, const std::function<void(QMessageBox&)>& addToBox = {});

}  // namespace common
