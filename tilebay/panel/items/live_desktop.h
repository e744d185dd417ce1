#pragma once

// The desktop kept live: when an entry of a desktop folder is created,
// deleted, renamed or changes kind, the item list is collected again (with
// the image lists and their icons kept, and without the load's pauses) and
// the rows that differ are handed to the view. Where no watch can be set the
// folders are collected again each time the panel drops into view.
//
// The rows' diff lives here, in one place: DiffRows / ApplyRowChanges.

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

#include "tilebay/panel/items/desktop_items.h"
#include "tilebay/platform/system/folder_watch.h"

namespace tilebay {

// How one row list becomes another: remove the rows at `removed` (indices
// into the old list, descending), then insert the new list's rows at
// `inserted` (indices into the new list, ascending). A row that changed in
// place is removed and inserted again.
struct RowChanges {
    std::vector<int> removed;
    std::vector<int> inserted;
    bool Empty() const { return removed.empty() && inserted.empty(); }
};

bool operator==(const ItemRow& a, const ItemRow& b);
inline bool operator!=(const ItemRow& a, const ItemRow& b) {
    return !(a == b);
}

// The changes from `before` to `after`: only the rows that came or went when
// the rows that stay keep their order (what a folder's listing does),
// otherwise the differing middle of the two lists replaced whole.
RowChanges DiffRows(const std::vector<ItemRow>& before, const std::vector<ItemRow>& after);

// Applies `changes` to `rows`, taking inserted rows from `after`; the view
// does the same to its list.
void ApplyRowChanges(std::vector<ItemRow>& rows, const std::vector<ItemRow>& after,
                     const RowChanges& changes);

class LiveDesktop : public QObject {
    Q_OBJECT
public:
    using RowsChanged = std::function<void(const RowChanges&)>;

    // `rowsChanged` is called after `list.rows` has become the new rows.
    LiveDesktop(DesktopItemList& list, FileIconSource& icons,
                std::unique_ptr<FolderWatcher> watcher, RowsChanged rowsChanged,
                QObject* parent = nullptr);
    ~LiveDesktop() override;

    // Watches `folders` (the desktops in the order the list holds them; an
    // empty one names no folder). False when a watch could not be set.
    bool Start(const QStringList& folders);
    bool Watching() const { return watching_; }
    // The panel dropped into view: without all watches, collect again (and
    // try the watches once more).
    void PanelRevealed();
    // Collects the folders again now and reports the rows that changed.
    void Refresh();

    // Changes reported within this time are collected once.
    static constexpr int kCoalesceMs = 20;

private:
    bool SetWatches();
    void OnChanged(bool lost);

    DesktopItemList& list_;
    FileIconSource& icons_;
    std::unique_ptr<FolderWatcher> watcher_;
    RowsChanged rowsChanged_;
    QStringList folders_;
    QTimer coalesce_;
    bool watching_ = false;
};

}  // namespace tilebay
