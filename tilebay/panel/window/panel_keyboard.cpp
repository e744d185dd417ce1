#include "tilebay/panel/window/panel_keyboard.h"

#include <algorithm>
#include <utility>

namespace tilebay {

void PanelKeyboard::Take() {
    has_ = true;
    PanelList* list = controls_.List();
    list->setFocusPolicy(Qt::StrongFocus);
    controls_.Control(PanelControl::Window)->activateWindow();
    list->setFocus(Qt::OtherFocusReason);
    Show();
}

bool PanelKeyboard::Release() {
    if (!has_) {
        return false;
    }
    has_ = false;
    state_.ClearFilter();
    Show();
    controls_.List()->clearFocus();
    controls_.List()->setFocusPolicy(Qt::NoFocus);
    return true;
}

void PanelKeyboard::SyncRows() {
    state_.SetRows(controls_.List()->RowTexts());
    if (has_ || !state_.Filter().isEmpty()) {
        Show();
    }
}

void PanelKeyboard::Show() {
    PanelList* list = controls_.List();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        list->topLevelItem(i)->setHidden(!state_.Shown(i));
    }
    if (const std::optional<int> selected = state_.Selected()) {
        QTreeWidgetItem* item = list->topLevelItem(*selected);
        list->setCurrentItem(item);
        list->scrollToItem(item);
    } else {
        list->clearSelection();
    }
    controls_.ShowFilter(state_.Filter());
}

int PanelKeyboard::PageRows() const {
    const PanelList* list = controls_.List();
    const int row = list->sizeHintForRow(0);
    return row > 0 ? std::max(1, list->viewport()->height() / row) : 10;
}

std::optional<KeyOutcome> PanelKeyboard::Press(const QKeyEvent& event) {
    static const std::pair<int, ListKey> kKeys[] = {
        {Qt::Key_Up, ListKey::Up},         {Qt::Key_Down, ListKey::Down},
        {Qt::Key_Home, ListKey::Home},     {Qt::Key_End, ListKey::End},
        {Qt::Key_PageUp, ListKey::PageUp}, {Qt::Key_PageDown, ListKey::PageDown},
        {Qt::Key_Return, ListKey::Enter},  {Qt::Key_Enter, ListKey::Enter},
        {Qt::Key_Escape, ListKey::Escape}, {Qt::Key_Backspace, ListKey::Backspace},
        {Qt::Key_Menu, ListKey::Menu}};
    KeyOutcome outcome = KeyOutcome::Ignored;
    bool known = false;
    for (const auto& [code, key] : kKeys) {
        if (event.key() == code) {
            outcome = state_.Press(key, PageRows());
            known = true;
            break;
        }
    }
    if (!known) {
        if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
            return std::nullopt;
        }
        outcome = state_.Type(event.text());
        if (outcome == KeyOutcome::Ignored) {
            return std::nullopt;
        }
    }
    if (outcome == KeyOutcome::SelectionMoved || outcome == KeyOutcome::FilterChanged ||
        outcome == KeyOutcome::Activate) {
        Show();
    }
    return outcome;
}

}  // namespace tilebay
