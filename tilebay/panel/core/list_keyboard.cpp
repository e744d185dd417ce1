#include "tilebay/panel/core/list_keyboard.h"

#include <QCoreApplication>

#include <algorithm>

namespace tilebay {

void ListKeyboard::SetRows(QStringList names) {
    names_ = std::move(names);
    if (selected_ && *selected_ >= names_.size()) {
        selected_.reset();
    }
    KeepSelectionShown();
}

bool ListKeyboard::Shown(int row) const {
    return row >= 0 && row < names_.size() &&
           (filter_.isEmpty() || names_.at(row).contains(filter_, Qt::CaseInsensitive));
}

std::vector<int> ListKeyboard::ShownRows() const {
    std::vector<int> rows;
    for (int row = 0; row < names_.size(); ++row) {
        if (Shown(row)) {
            rows.push_back(row);
        }
    }
    return rows;
}

void ListKeyboard::KeepSelectionShown() {
    if (selected_ && Shown(*selected_)) {
        return;
    }
    const std::vector<int> rows = ShownRows();
    selected_ = rows.empty() ? std::nullopt : std::optional<int>(rows.front());
}

void ListKeyboard::Select(std::optional<int> row) {
    selected_ = row && Shown(*row) ? row : std::nullopt;
}

void ListKeyboard::ClearFilter() {
    filter_.clear();
}

KeyOutcome ListKeyboard::Press(ListKey key, int pageRows) {
    const std::vector<int> rows = ShownRows();
    const auto at = selected_ ? std::find(rows.begin(), rows.end(), *selected_) : rows.end();
    const int count = static_cast<int>(rows.size());
    // The position among the shown rows; -1 when nothing is selected.
    const int position = at == rows.end() ? -1 : static_cast<int>(at - rows.begin());
    const auto moveTo = [&](int target) {
        if (count == 0) {
            return KeyOutcome::Ignored;
        }
        target = std::clamp(target, 0, count - 1);
        const std::optional<int> before = selected_;
        selected_ = rows[static_cast<std::size_t>(target)];
        return selected_ == before ? KeyOutcome::Ignored : KeyOutcome::SelectionMoved;
    };
    const int page = std::max(1, pageRows);
    switch (key) {
        case ListKey::Up:
            return moveTo(position < 0 ? count - 1 : position - 1);
        case ListKey::Down:
            return moveTo(position + 1);
        case ListKey::Home:
            return moveTo(0);
        case ListKey::End:
            return moveTo(count - 1);
        case ListKey::PageUp:
            return moveTo(position < 0 ? 0 : position - page);
        case ListKey::PageDown:
            return moveTo(position < 0 ? 0 : position + page);
        case ListKey::Enter:
            return position < 0 ? KeyOutcome::Ignored : KeyOutcome::Activate;
        case ListKey::Menu:
            return position < 0 ? KeyOutcome::Ignored : KeyOutcome::OpenMenu;
        case ListKey::Escape:
            if (filter_.isEmpty()) {
                return KeyOutcome::Retract;
            }
            filter_.clear();
            KeepSelectionShown();
            return KeyOutcome::FilterChanged;
        case ListKey::Backspace:
            if (filter_.isEmpty()) {
                return KeyOutcome::Ignored;
            }
            filter_.chop(1);
            KeepSelectionShown();
            return KeyOutcome::FilterChanged;
    }
    return KeyOutcome::Ignored;
}

KeyOutcome ListKeyboard::Type(const QString& text) {
    QString printable;
    for (const QChar c : text) {
        if (c.isPrint()) {
            printable.append(c);
        }
    }
    if (printable.isEmpty()) {
        return KeyOutcome::Ignored;
    }
    filter_ += printable;
    KeepSelectionShown();
    return KeyOutcome::FilterChanged;
}

QString CaptionWithFilter(const QString& caption, const QString& filter) {
    return filter.isEmpty()
               ? caption
               : QCoreApplication::translate("tilebay::ListKeyboard", "Find: %1").arg(filter);
}

}  // namespace tilebay
