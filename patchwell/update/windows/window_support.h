#pragma once

// Helpers the update windows share: twips, placement, the topmost and
// no-close treatments, and the pictures drawn in code.

#include <QPixmap>
#include <QRect>
#include <QStringList>

#include <vector>

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

// Keeps the texts of a window of fixed size whole, in any language: each
// label wraps within the room it has (to the window's right edge, or to the
// next widget on its line; a label made to wrap keeps its width), a row of
// push buttons whose texts are wider than the buttons spreads over more rows,
// and what lies below a grown label or row moves down. The window keeps its
// width and grows in height by as much; with texts that fit, every widget
// stays where it was placed. Made once all widgets are placed; Apply() after
// each change of a text.
//
// A label or button given the texts it may come to show (Reserve) has room
// for the longest of them from the start, so that the layout does not change
// while the window is shown and its texts change.
class TextFit {
public:
    explicit TextFit(QWidget* window);
    void Reserve(QWidget* widget, const QStringList& texts);
    void Apply();

private:
    struct Placed {
        QWidget* widget;
        QRect designed;
        bool box;              // a label made to wrap within its own width
        QStringList reserved;  // texts it may show besides its present one
    };
    QWidget* window_;
    QSize designedSize_;
    std::vector<Placed> placed_;
};

// A horizontal line across `parent` at `top` twips.
void AddLine(QWidget* parent, const char* name, int top);

// Frame `index` (0 to 15) of the download animation, 32 x 32.
QPixmap AnimationFrame(int index);
// The small product picture.
QPixmap ProductPicture(int width, int height);

}  // namespace patchwell::update
