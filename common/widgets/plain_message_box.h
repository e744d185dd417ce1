#pragma once

// The one message box of both programs and the download control. Its text is
// always plain, never markup (texts may carry addresses and paths from the
// network); an empty title stands for the application's name; the box stays
// above the program's other windows, which may be hidden or topmost. A Yes/No
// box has Yes as its default and answers No on Escape.

#include <QMessageBox>
#include <QString>

#include <functional>

#include "common/widgets/message_box_kinds.h"

class QWidget;

namespace common {

// Shows the box modally, centred on `parent` when one is given; `addToBox`,
// when given, adds to the box before it shows. Returns the answer: always Ok
// for an Ok box, Yes or No for a Yes/No box.
BoxAnswer ShowPlainMessageBox(QWidget* parent, const QString& text, const QString& title,
                              BoxIcon icon, BoxButtons buttons,
                              const std::function<void(QMessageBox&)>& addToBox = {});

}  // namespace common
