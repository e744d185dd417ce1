#pragma once

// Keeping texts whole in windows designed for English: the one measure of a
// text, an option box that breaks its text into lines, and the fitting of a
// whole window of fixed size.

#include <QCheckBox>
#include <QFontMetrics>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

class QWidget;

namespace common {

// The size `text` takes in `metrics`' font, one line per line break, as a
// label or button draws it.
QSize TextSize(const QFontMetrics& metrics, const QString& text, int width = 100000,
               Qt::Alignment alignment = Qt::AlignLeft);

// `text` broken at spaces into lines no wider than `width`; a word wider than
// that keeps a line of its own.
QString BreakLines(const QString& text, const QFontMetrics& metrics, int width);

// The width a push button's text `shown` lacks at the button's present size
// (0 when it fits): the text, without its mnemonic marks, against the
// button's contents less the style's margins.
int MissingTextWidth(const QPushButton& button, const QString& shown);

// Places an option box at `rect` with `text`. A text too long for the room the
// style leaves beside the indicator is broken into lines, and the box grows
// downwards as far as they need; screen readers still get the whole text.
// Returns how far the box grew.
int FitOptionBox(QCheckBox& box, QRect rect, const QString& text);

// Keeps the texts of a window of fixed size whole, in any language: each
// label wraps within the room it has (to the window's right edge, or to the
// next widget on its line, `gap` pixels short of them; a label made to wrap
// keeps its width), a row of push buttons whose texts are wider than the
// buttons spreads over more rows, and what lies below a grown label or row
// moves down. The window keeps its width and grows in height by as much; with
// texts that fit, every widget stays where it was placed. Made once all
// widgets are placed; Apply() after each change of a text.
//
// A label or button given the texts it may come to show (Reserve) has room
// for the longest of them from the start, so that the layout does not change
// while the window is shown and its texts change.
class TextFit {
public:
    TextFit(QWidget* window, int gap);
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
    int gap_;
    QSize designedSize_;
    std::vector<Placed> placed_;
};

}  // namespace common
