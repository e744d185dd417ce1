#pragma once

// Finds the texts of a window that do not fit their space: what a
// translation longer than the English text shows as a cut-off word.

#include <QStringList>

class QWidget;

namespace common::testing {

// Every visible label, button (push, tool, check, radio) and group box title
// at or below `root` whose text is wider (or, wrapped, taller) than the room
// it has. Each entry names the widget's class, object name and text. The
// window is to be shown and its layouts settled first.
QStringList CutTexts(const QWidget& root);

}  // namespace common::testing
