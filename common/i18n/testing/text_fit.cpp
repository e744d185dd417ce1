#include "common/i18n/testing/text_fit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>

namespace common::testing {

namespace {

QString Describe(const QWidget& widget, const QString& text, const QSize& need, const QSize& room) {
    return QStringLiteral("%1 \"%2\": \"%3\" needs %4x%5, has %6x%7")
        .arg(QString::fromLatin1(widget.metaObject()->className()), widget.objectName(), text)
        .arg(need.width())
        .arg(need.height())
        .arg(room.width())
        .arg(room.height());
}

// The size a label's text takes: one line per line break, or, with word wrap,
// the height its layout needs at the label's width.
QSize LabelNeeds(const QLabel& label, const QRect& room) {
    const QString text = label.text();
    const bool rich = label.textFormat() == Qt::RichText ||
                      (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
    if (rich) {
        QTextDocument document;
        document.setDefaultFont(label.font());
        document.setDocumentMargin(0);
        document.setHtml(text);
        if (label.wordWrap()) {
            document.setTextWidth(room.width());
        }
        return document.size().toSize();
    }
    const QFontMetrics metrics = label.fontMetrics();
    const int flags =
        static_cast<int>(label.alignment()) | (label.wordWrap() ? Qt::TextWordWrap : 0);
    const QRect bounds = label.wordWrap()
                             ? metrics.boundingRect(QRect(0, 0, room.width(), 100000), flags, text)
                             : metrics.boundingRect(QRect(0, 0, 100000, 100000), flags, text);
    return bounds.size();
}

// The text of a button as drawn, with its icon beside it: the mnemonic's
// ampersand takes no room.
QSize ButtonTextNeeds(const QAbstractButton& button) {
    QString text = button.text();
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    const QRect bounds =
        button.fontMetrics().boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft, text);
    QSize need = bounds.size();
    if (!button.icon().isNull()) {
        need.rwidth() += button.iconSize().width() + 4;
        need.setHeight(std::max(need.height(), button.iconSize().height()));
    }
    return need;
}

// The room the style leaves a button's text: the contents rectangle, less the
// push button's own text margins. (A size hint would not do: styles give push
// buttons a minimum width whatever their text.)
QSize ButtonTextRoom(const QAbstractButton& button) {
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    QStyle::SubElement element = QStyle::SE_PushButtonContents;
    int margin = 0;
    if (qobject_cast<const QCheckBox*>(&button) != nullptr) {
        element = QStyle::SE_CheckBoxContents;
    } else if (qobject_cast<const QRadioButton*>(&button) != nullptr) {
        element = QStyle::SE_RadioButtonContents;
    } else if (qobject_cast<const QToolButton*>(&button) != nullptr) {
        return button.contentsRect().size() - QSize(2, 2);
    } else {
        margin = button.style()->pixelMetric(QStyle::PM_ButtonMargin, &option, &button) / 2;
    }
    const QRect contents = button.style()->subElementRect(element, &option, &button);
    return contents.size() - QSize(2 * margin, 0);
}

}  // namespace

QStringList CutTexts(const QWidget& root) {
    QStringList cut;
    QList<const QWidget*> widgets{&root};
    for (const QWidget* child : root.findChildren<QWidget*>()) {
        widgets << child;
    }
    for (const QWidget* widget : widgets) {
        if (!widget->isVisible()) {
            continue;
        }
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            if (label->text().isEmpty()) {
                continue;
            }
            const QRect room = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                              -label->margin(), -label->margin());
            const QSize need = LabelNeeds(*label, room);
            if (need.width() > room.width() || need.height() > room.height()) {
                cut << Describe(*label, label->text(), need, room.size());
            }
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            if (button->text().isEmpty()) {
                continue;
            }
            const QSize need = ButtonTextNeeds(*button);
            const QSize room = ButtonTextRoom(*button);
            if (need.width() > room.width() || need.height() > room.height()) {
                cut << Describe(*button, button->text(), need, room);
            }
        } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
            if (group->title().isEmpty()) {
                continue;
            }
            const int need = group->fontMetrics().horizontalAdvance(group->title()) +
                             group->style()->pixelMetric(QStyle::PM_IndicatorWidth) *
                                 (group->isCheckable() ? 1 : 0);
            if (need > group->width()) {
                cut << Describe(*group, group->title(), {need, 0}, group->size());
            }
        }
    }
    return cut;
}

}  // namespace common::testing
