#pragma once

// The panel at the keyboard: whether it has the keyboard, and the list's
// filter and selection (ListKeyboard) shown on the list and the caption strip.

#include <QKeyEvent>

#include <optional>

#include "tilebay/panel/core/list_keyboard.h"
#include "tilebay/panel/window/panel_controls.h"

namespace tilebay {

class PanelKeyboard {
public:
    explicit PanelKeyboard(PanelControls& controls) : controls_(controls) {}

    const ListKeyboard& State() const { return state_; }
    const QString& Filter() const { return state_.Filter(); }
    bool Has() const { return has_; }
    // The window takes the keyboard: the list gets the focus.
    void Take();
    // The list lets the keyboard go, its filter cleared; false when it did
    // not have it.
    bool Release();
    // The row selected by other means (a click).
    void Select(std::optional<int> row) { state_.Select(row); }
    // The list's rows changed.
    void SyncRows();
    // A key pressed on the list, its filter and selection shown anew; nullopt
    // for a key that is not the list's.
    std::optional<KeyOutcome> Press(const QKeyEvent& event);

private:
    // The rows the filter lets through, the selection and the caption strip.
    void Show();
    int PageRows() const;

    PanelControls& controls_;
    ListKeyboard state_;
    bool has_ = false;
};

}  // namespace tilebay
