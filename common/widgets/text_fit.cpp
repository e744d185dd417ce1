#include "common/widgets/text_fit.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

#include <algorithm>
#include <map>

namespace common {

namespace {

// The width the style leaves a check box's text beside its indicator.
int TextRoom(const QCheckBox& box) {
    QStyleOptionButton option;
    option.initFrom(&box);
    return box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box).width();
}

// The most any of a button's texts lacks.
int MostMissingTextWidth(const QPushButton& button, const QStringList& reserved) {
    int missing = MissingTextWidth(button, button.text());
    for (const QString& text : reserved) {
        missing = std::max(missing, MissingTextWidth(button, text));
    }
    return missing;
}

// The height a word-wrapped label needs at `width` for the tallest of its
// present text and `reserved`.
int NeededHeight(QLabel& label, int width, const QStringList& reserved) {
    int needed = label.heightForWidth(width);
    if (reserved.isEmpty()) {
        return needed;
    }
    const QString present = label.text();
    const QSignalBlocker quiet(&label);
    label.setUpdatesEnabled(false);
    for (const QString& text : reserved) {
        label.setText(text);
        needed = std::max(needed, label.heightForWidth(width));
    }
    label.setText(present);
    label.setUpdatesEnabled(true);
    return needed;
}

// A band of the window that grew: what starts at or below `bottom` moves down
// by `extra`.
struct Growth {
    int top;
    int bottom;
    int extra;
};

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

int MissingTextWidth(const QPushButton& button, const QString& shown) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = shown;
    const QRect contents =
        button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    const int margin = button.style()->pixelMetric(QStyle::PM_ButtonMargin, &option, &button) / 2;
    QString text = shown;
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    const int room = contents.width() - 2 * margin;
    return std::max(0, TextSize(button.fontMetrics(), text).width() - room);
}

TextFit::TextFit(QWidget* window, int gap)
    : window_(window), gap_(gap), designedSize_(window->size()) {
    for (QWidget* child : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) {
            continue;
        }
        const auto* label = qobject_cast<QLabel*>(child);
        placed_.push_back({child, child->geometry(), label != nullptr && label->wordWrap(), {}});
    }
}

void TextFit::Reserve(QWidget* widget, const QStringList& texts) {
    for (Placed& p : placed_) {
        if (p.widget == widget) {
            p.reserved = texts;
        }
    }
}

void TextFit::Apply() {
    const int gap = gap_;
    std::map<QWidget*, QRect> fitted;
    std::vector<Growth> growths;
    // Labels wrap within their room and take the height their text needs.
    for (const Placed& p : placed_) {
        auto* label = qobject_cast<QLabel*>(p.widget);
        if (label == nullptr || !label->pixmap().isNull() || label->isHidden()) {
            continue;
        }
        int width = p.designed.width();
        if (!p.box) {
            int right = designedSize_.width() - gap;
            for (const Placed& other : placed_) {
                if (other.widget != label && !other.widget->isHidden() &&
                    other.designed.left() > p.designed.left() &&
                    other.designed.top() <= p.designed.bottom() &&
                    other.designed.bottom() >= p.designed.top()) {
                    right = std::min(right, other.designed.left() - gap);
                }
            }
            width = std::max(right - p.designed.left(), 1);
        }
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        const int needed = label->text().isEmpty() && p.reserved.isEmpty()
                               ? p.designed.height()
                               : NeededHeight(*label, width, p.reserved);
        const int height = p.box ? std::max(needed, p.designed.height()) : needed;
        fitted[label] = QRect(p.designed.topLeft(), QSize(width, height));
        if (height > p.designed.height()) {
            growths.push_back(
                {p.designed.top(), p.designed.bottom() + 1, height - p.designed.height()});
        }
    }
    // A row of push buttons keeps its places while every text fits; else each
    // button takes the width its text needs, and the row breaks where the
    // window ends.
    std::map<int, std::vector<const Placed*>> rows;
    for (const Placed& p : placed_) {
        if (qobject_cast<QPushButton*>(p.widget) != nullptr && !p.widget->isHidden()) {
            rows[p.designed.top()].push_back(&p);
        }
    }
    for (auto& [top, row] : rows) {
        std::sort(row.begin(), row.end(), [](const Placed* a, const Placed* b) {
            return a->designed.left() < b->designed.left();
        });
        std::vector<int> widths;
        bool fits = true;
        for (const Placed* p : row) {
            p->widget->setGeometry(p->designed);
            const int missing =
                MostMissingTextWidth(*static_cast<QPushButton*>(p->widget), p->reserved);
            widths.push_back(p->designed.width() + missing);
            fits = fits && missing == 0;
        }
        if (fits) {
            continue;
        }
        const int left = row.front()->designed.left();
        const int spacing =
            row.size() > 1 ? row[1]->designed.left() - row[0]->designed.right() - 1 : gap;
        int x = left;
        int y = top;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const QRect& designed = row[i]->designed;
            // On the first row a button keeps its designed place where the
            // ones before it leave room.
            if (y == top) {
                x = std::max(x, designed.left());
            }
            if (x > left && x + widths[i] > designedSize_.width() - left) {
                x = left;
                y += designed.height() + gap;
            }
            fitted[row[i]->widget] = QRect(x, y, widths[i], designed.height());
            x += widths[i] + spacing;
        }
        if (y > top) {
            growths.push_back({top, row.front()->designed.bottom() + 1, y - top});
        }
    }
    // Bands on the same line grow once, by the most any of them needs.
    std::sort(growths.begin(), growths.end(),
              [](const Growth& a, const Growth& b) { return a.top < b.top; });
    std::vector<Growth> bands;
    for (const Growth& g : growths) {
        if (!bands.empty() && g.top < bands.back().bottom) {
            bands.back().bottom = std::max(bands.back().bottom, g.bottom);
            bands.back().extra = std::max(bands.back().extra, g.extra);
        } else {
            bands.push_back(g);
        }
    }
    int grown = 0;
    for (const Growth& band : bands) {
        grown += band.extra;
    }
    for (const Placed& p : placed_) {
        int offset = 0;
        for (const Growth& band : bands) {
            if (band.bottom <= p.designed.top()) {
                offset += band.extra;
            }
        }
        const auto it = fitted.find(p.widget);
        const QRect rect = it != fitted.end() ? it->second : p.designed;
        p.widget->setGeometry(rect.translated(0, offset));
    }
    window_->setFixedSize(designedSize_.width(), designedSize_.height() + grown);
}

}  // namespace common
