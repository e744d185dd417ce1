#pragma once

// Helpers the update windows share: twips, placement, the topmost and
// no-close treatments, and the pictures drawn in code.

#include <QPixmap>
#include <QRect>
#include <QStringList>

#include <memory>

#include "common/widgets/text_fit.h"

class QWidget;
class QLabel;

namespace patchwell::update {

// Twips to pixels at the primary screen's logical resolution (the rule of
// common/widgets/twips.h).
int Twips(int twips);
QRect TwipsRect(int left, int top, int width, int height);

// Gives `window` a fixed client area of the size in twips and centres it.
void FixClientSizeAndCentre(QWidget* window, int widthTwips, int heightTwips);

// Keeps `window` above ordinary windows. Before the window is first shown
// this only sets the hint; on a shown window it re-applies it.
void MakeTopmost(QWidget* window);

// Drops the close button from the title bar; the window's close handler
// ignores the keyboard close too.
void RemoveCloseCommand(QWidget* window);

// A plain-text label placed at a position in twips that sizes itself to its
// text.
QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top);

// The windows' text fitting (common/widgets/text_fit.h), keeping 60 twips
// between a text and what lies beside it.
std::unique_ptr<common::TextFit> MakeTextFit(QWidget* window);

// A horizontal line across `parent` at `top` twips.
void AddLine(QWidget* parent, const char* name, int top);

// Frame `index` (0 to 15) of the download animation, 32 x 32.
QPixmap AnimationFrame(int index);
// The small product picture.
QPixmap ProductPicture(int width, int height);

}  // namespace patchwell::update
