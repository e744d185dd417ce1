#pragma once

// The context menu of a row: the item actions' entries, each calling the
// desktop's services with the row's path, never running its text.

#include <QMenu>

#include <functional>

#include "tilebay/panel/core/item_actions.h"

namespace tilebay {

// A menu for `row` that deletes itself once closed. `desktop` is asked for
// the desktop's services when an entry is chosen (none: nothing is done);
// `start` is the panel's trusted start; `changed` hears what a done action
// changed.
QMenu* MakeItemMenu(QWidget* parent, const RowEntry& row, std::function<DesktopActions*()> desktop,
                    std::function<void(const RowEntry&)> start,
                    std::function<void(const RowEntry&, ItemChange)> changed);

}  // namespace tilebay
