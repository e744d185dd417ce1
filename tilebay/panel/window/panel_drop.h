#pragma once

// Files dropped onto the panel: into the user's desktop folder.

#include <QList>
#include <QUrl>

#include <vector>

#include "tilebay/panel/core/item_actions.h"
#include "tilebay/panel/core/panel_logic.h"

class QDropEvent;

namespace tilebay {

// Copies (moves with `move`) the dropped files into the user's desktop
// folder and tells the user, through `services.notify`, of what was left
// out. Nothing without a desktop folder.
std::vector<DropResult> DropOnDesktop(PanelServices& services, const QList<QUrl>& urls, bool move);

// Whether a drop moves its files: Shift held, as it is held now (the
// event's modifiers can be those of an earlier moment of the drag), and the
// source allows a move.
bool DropMoves(const QDropEvent& event);

}  // namespace tilebay
