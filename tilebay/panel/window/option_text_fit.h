#pragma once

#include <QCheckBox>
#include <QFontMetrics>
#include <QRect>
#include <QSize>
#include <QString>

namespace tilebay {

// The size `text` takes in `metrics`' font, one line per line break, as a
// label or button draws it.
QSize TextSize(const QFontMetrics& metrics, const QString& text, int width = 100000,
               Qt::Alignment alignment = Qt::AlignLeft);

// `text` broken at spaces into lines no wider than `width`; a word wider than
// that keeps a line of its own.
QString BreakLines(const QString& text, const QFontMetrics& metrics, int width);

// Places an option box at `rect` with `text`. A text too long for the room the
// style leaves beside the indicator is broken into lines, and the box grows
// downwards as far as they need; screen readers still get the whole text.
// Returns how far the box grew.
int FitOptionBox(QCheckBox& box, QRect rect, const QString& text);

// An option the desktop cannot carry out stays visible, disabled, saying why
// (`why` empty: the box stays as it is).
void ShowUnavailable(QCheckBox* box, const QString& why);

}  // namespace tilebay
