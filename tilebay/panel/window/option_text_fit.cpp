#include "tilebay/panel/window/option_text_fit.h"

#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>

namespace tilebay {

namespace {

// The width the style leaves a check box's text beside its indicator.
int TextRoom(const QCheckBox& box) {
    QStyleOptionButton option;
    option.initFrom(&box);
    return box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box).width();
}

}  // namespace

QSize TextSize(const QFontMetrics& metrics, const QString& text, int width,
               Qt::Alignment alignment) {
    return metrics.boundingRect(QRect(0, 0, width, 100000), static_cast<int>(alignment), text)
        .size();
}

QString BreakLines(const QString& text, const QFontMetrics& metrics, int width) {
    QStringList lines;
    QString line;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + u' ' + word;
        if (!line.isEmpty() && TextSize(metrics, longer).width() > width) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    lines << line;
    return lines.join(u'\n');
}

int FitOptionBox(QCheckBox& box, QRect rect, const QString& text) {
    box.ensurePolished();
    box.setGeometry(rect);
    const QFontMetrics metrics = box.fontMetrics();
    const int room = TextRoom(box);
    QString shown = text;
    int grown = 0;
    if (TextSize(metrics, shown).width() > room) {
        shown = BreakLines(shown, metrics, room);
        const int height = TextSize(metrics, shown, room).height();
        if (height > rect.height()) {
            grown = height - rect.height();
            rect.setHeight(height);
            box.setGeometry(rect);
        }
    }
    box.setText(shown);
    box.setAccessibleName(shown == text ? QString() : text);
    return grown;
}

void ShowUnavailable(QCheckBox* box, const QString& why) {
    if (!why.isEmpty()) {
        box->setEnabled(false);
        box->setToolTip(why);
    }
}

}  // namespace tilebay
