#pragma once

// What the panel does with a row's item besides starting it: the context
// menu's actions, the item as a URL for a drag, and files dropped onto the
// panel. Nothing here runs a text through a shell.

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

#include "tilebay/panel/item_activation.h"
#include "tilebay/platform/shell/desktop_actions.h"

namespace tilebay {

enum class ItemAction { Open, OpenContainingFolder, Copy, MoveToTrash };

struct ItemActionEntry {
    ItemAction action;
    QString text;
};

// The context menu's entries, in menu order.
std::vector<ItemActionEntry> ItemActionMenu();

// The path of a row's item; empty when the row names no entry of its folder
// (an empty name, a name with a "/", "." or "..").
QString RowPath(const RowEntry& row);

// Carries out `action` on the row's item; false when it could not be done.
bool RunItemAction(ItemAction action, const RowEntry& row, DesktopActions& desktop);

// A name for `name` in `folder` that no entry there has: the name itself, or
// the name with " (2)", " (3)" ... before its extension (the text from its
// last "."; a leading "." starts no extension).
QString FreeName(const QString& folder, const QString& name);

struct DropResult {
    QString source;
    QString target;  // empty when the item could not be copied or moved
};

// Copies (or, with `move`, moves) the local files and folders of `urls` into
// `folder`, each under a free name, never over an existing entry. URLs that
// are no local files, an item dropped on its own folder, and folders dropped
// into themselves are left alone (target empty).
std::vector<DropResult> DropIntoFolder(const QList<QUrl>& urls, const QString& folder, bool move);

}  // namespace tilebay
