#include "patchwell/update/windows/window_support.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

#include <algorithm>
#include <map>

#include "common/widgets/twips.h"

namespace patchwell::update {

namespace {

double LogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->logicalDotsPerInchX() : 96.0;
}

}  // namespace

int Twips(int twips) {
    return common::TwipsToPixels(twips, LogicalDpi());
}

QRect TwipsRect(int left, int top, int width, int height) {
    return QRect(Twips(left), Twips(top), Twips(width), Twips(height));
}

void FixClientSizeAndCentre(QWidget* window, int widthTwips, int heightTwips) {
    window->setFixedSize(Twips(widthTwips), Twips(heightTwips));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
}

void MakeTopmost(QWidget* window) {
    // Wayland gives no client a place above other windows: there the window is only raised,
    // quietly, and keeps its native window (a flag change would make it anew).
    if (QGuiApplication::platformName().startsWith(QStringLiteral("wayland"))) {
        window->raise();
        return;
    }
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (visible) {
        window->show();  // changing the flags hides a shown window
    }
}

void RemoveCloseCommand(QWidget* window) {
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::CustomizeWindowHint, true);
    window->setWindowFlag(Qt::WindowCloseButtonHint, false);
    if (visible) {
        window->show();
    }
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // Labels show addresses, file names and server texts: never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->move(Twips(left), Twips(top));
    label->adjustSize();
    return label;
}

namespace {

// The width a push button's text lacks at the button's present size (0 when
// it fits): the text against the button's contents, less the style's margins.
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
    const int needed =
        button.fontMetrics().boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft, text).width();
    return std::max(0, needed - room);
}

// The most any of a button's texts lacks.
int MissingTextWidth(const QPushButton& button, const QStringList& reserved) {
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

TextFit::TextFit(QWidget* window) : window_(window), designedSize_(window->size()) {
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
    const int gap = Twips(60);
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
                MissingTextWidth(*static_cast<QPushButton*>(p->widget), p->reserved);
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

void AddLine(QWidget* parent, const char* name, int top) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, Twips(top), parent->width(), 2);
}

QPixmap AnimationFrame(int index) {
    // A ring of sixteen dots with a bright head and a fading tail that moves
    // one step per frame.
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(16, 16);
    for (int dot = 0; dot < 16; ++dot) {
        const int age = (index - dot + 16) % 16;  // 0: the head
        const int alpha = age < 6 ? 255 - age * 40 : 40;
        painter.save();
        painter.rotate(dot * 22.5);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(30, 90, 190, alpha));
        const double radius = age == 0 ? 3.2 : 2.4;
        painter.drawEllipse(QPointF(0, -11.5), radius, radius);
        painter.restore();
    }
    return pixmap;
}

QPixmap ProductPicture(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(20, 60, 120), 1));
    painter.setBrush(QColor(45, 110, 200));
    painter.drawRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), 3, 3);
    painter.setPen(QPen(Qt::white, 2));
    // A patch: a small square with a cross stitch.
    const QRectF patch(width * 0.22, height * 0.25, width * 0.56, height * 0.5);
    painter.drawRect(patch);
    painter.drawLine(patch.topLeft(), patch.bottomRight());
    return pixmap;
}

}  // namespace patchwell::update
