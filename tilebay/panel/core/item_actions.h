#pragma once

// What the panel does with a row's item besides starting it: the context
// menu's actions, the item as a URL for a drag, and files dropped onto the
// panel. Nothing here runs a text through a shell.

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>
#include <vector>

#include "tilebay/panel/items/item_activation.h"
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

// What an action changed, for the window to show: it could not be done, it
// left the panel's rows as they are, or the row's item left its folder.
enum class ItemChange { NotDone, Nothing, ItemGone };

// Carries out `action` on the row's item and says what changed.
// "Open" of an item that would be run (a launcher, a program or script, a
// link to one) calls `start`, the panel's own trusted start, and is never
// handed to the desktop's opener; without `start` it is not done.
ItemChange RunItemAction(ItemAction action, const RowEntry& row, DesktopActions& desktop,
                         const std::function<void(const RowEntry&)>& start = nullptr);

// A name for `name` in `folder` that no entry there has: the name itself, or
// the name with " (2)", " (3)" ... before its extension (the text from its
// last "."; a leading "." starts no extension).
QString FreeName(const QString& folder, const QString& name);

struct DropResult {
    QString source;
    QString target;       // empty when the item could not be copied or moved
    QStringList skipped;  // entries left out: neither file, folder nor link
};

// Copies (or, with `move`, moves) the local files, folders and symbolic links
// of `urls` into `folder`, each under a free name, never over an existing
// entry. Anything else (a FIFO, a socket, a device), also inside a dropped
// folder, is left out and listed in `skipped`; nothing is opened in a way
// that could wait. A copied file keeps its execute bits only when its source
// passes the launcher trust rule. URLs that are no local files, a path
// ending in "/", "/." or "/..", an item dropped on its own folder, and
// folders dropped into themselves are left alone (target empty).
std::vector<DropResult> DropIntoFolder(const QList<QUrl>& urls, const QString& folder, bool move);

// What the user is told about the entries a drop left out.
QString SkippedDropText(const QStringList& skipped);

}  // namespace tilebay
