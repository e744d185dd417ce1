#include "tilebay/panel/items/live_desktop.h"

#include <QHash>
#include <QLoggingCategory>

#include <algorithm>

namespace tilebay {
namespace {

Q_LOGGING_CATEGORY(lcLive, "tilebay.live", QtWarningMsg)

class NoPause : public EventPause {
public:
    void LetEventsRun() override {}
};

size_t HashRow(const ItemRow& row) {
    return qHash(row.text) ^ (qHash(row.typeText) * 31u) ^ static_cast<size_t>(row.largeImage) ^
           (static_cast<size_t>(row.smallImage) << 16);
}

struct RowKey {
    const ItemRow* row;
    bool operator==(const RowKey& other) const { return *row == *other.row; }
};

size_t qHash(const RowKey& key, size_t seed = 0) {
    return HashRow(*key.row) ^ seed;
}

}  // namespace

bool operator==(const ItemRow& a, const ItemRow& b) {
    return a.text == b.text && a.folder == b.folder && a.largeImage == b.largeImage &&
           a.smallImage == b.smallImage && a.typeText == b.typeText;
}

RowChanges DiffRows(const std::vector<ItemRow>& before, const std::vector<ItemRow>& after) {
    const int oldCount = static_cast<int>(before.size());
    const int newCount = static_cast<int>(after.size());
    int prefix = 0;
    while (prefix < oldCount && prefix < newCount && before[prefix] == after[prefix]) {
        ++prefix;
    }
    int suffix = 0;
    while (suffix < oldCount - prefix && suffix < newCount - prefix &&
           before[oldCount - 1 - suffix] == after[newCount - 1 - suffix]) {
        ++suffix;
    }
    const int oldEnd = oldCount - suffix;
    const int newEnd = newCount - suffix;

    // Count the rows of the new middle; old rows without a partner there go.
    QHash<RowKey, int> available;
    for (int i = prefix; i < newEnd; ++i) {
        ++available[RowKey{&after[i]}];
    }
    RowChanges changes;
    std::vector<const ItemRow*> kept;
    for (int i = oldEnd - 1; i >= prefix; --i) {
        const auto it = available.find(RowKey{&before[i]});
        if (it == available.end() || it.value() == 0) {
            changes.removed.push_back(i);
        } else {
            --it.value();
            kept.push_back(&before[i]);
        }
    }
    std::reverse(kept.begin(), kept.end());
    // The new middle less what came, matched in order against what stays.
    QHash<RowKey, int> surplus = available;  // rows of the new middle that are new
    std::size_t next = 0;
    bool inOrder = true;
    for (int i = prefix; i < newEnd && inOrder; ++i) {
        const auto extra = surplus.find(RowKey{&after[i]});
        if (next < kept.size() && *kept[next] == after[i]) {
            ++next;  // equal rows are alike: the one that stays comes first
        } else if (extra != surplus.end() && extra.value() > 0) {
            --extra.value();
            changes.inserted.push_back(i);
        } else {
            inOrder = false;
        }
    }
    if (!inOrder || next != kept.size()) {
        changes.removed.clear();
        changes.inserted.clear();
        for (int i = oldEnd - 1; i >= prefix; --i) {
            changes.removed.push_back(i);
        }
        for (int i = prefix; i < newEnd; ++i) {
            changes.inserted.push_back(i);
        }
    }
    return changes;
}

void ApplyRowChanges(std::vector<ItemRow>& rows, const std::vector<ItemRow>& after,
                     const RowChanges& changes) {
    for (const int at : changes.removed) {
        rows.erase(rows.begin() + at);
    }
    for (const int at : changes.inserted) {
        rows.insert(rows.begin() + at, after.at(static_cast<std::size_t>(at)));
    }
}

LiveDesktop::LiveDesktop(DesktopItemList& list, FileIconSource& icons,
                         std::unique_ptr<FolderWatcher> watcher, RowsChanged rowsChanged,
                         QObject* parent)
    : QObject(parent),
      list_(list),
      icons_(icons),
      watcher_(std::move(watcher)),
      rowsChanged_(std::move(rowsChanged)) {
    coalesce_.setSingleShot(true);
    coalesce_.setInterval(kCoalesceMs);
    connect(&coalesce_, &QTimer::timeout, this, [this] { Refresh(); });
    watcher_->changed = [this](const QString&, bool lost) { OnChanged(lost); };
}

LiveDesktop::~LiveDesktop() = default;

bool LiveDesktop::Start(const QStringList& folders) {
    folders_ = folders;
    return SetWatches();
}

bool LiveDesktop::SetWatches() {
    watcher_->UnwatchAll();
    watching_ = true;
    for (const QString& folder : std::as_const(folders_)) {
        if (!folder.isEmpty() && !watcher_->Watch(folder)) {
            watching_ = false;
        }
    }
    qCDebug(lcLive) << "watching" << folders_ << watching_;
    return watching_;
}

void LiveDesktop::OnChanged(bool lost) {
    if (lost) {
        // The folder itself went (or came back as another): watch what is
        // there now; without a watch, the reveal collects again.
        SetWatches();
    }
    if (!coalesce_.isActive()) {
        coalesce_.start();
    }
}

void LiveDesktop::PanelRevealed() {
    if (watching_) {
        return;
    }
    SetWatches();
    Refresh();
}

void LiveDesktop::Refresh() {
    coalesce_.stop();
    std::vector<ItemRow> before = std::move(list_.rows);
    list_.rows.clear();
    NoPause noPause;
    DesktopItemCollector collector(list_, icons_, noPause);
    for (const QString& folder : std::as_const(folders_)) {
        collector.CollectFolder(folder);
    }
    const RowChanges changes = DiffRows(before, list_.rows);
    if (!changes.Empty() && rowsChanged_) {
        rowsChanged_(changes);
    }
    // Written once the view shows the new rows (the benchmark waits for it).
    if (lcLive().isDebugEnabled()) {
        QStringList added;
        for (const int at : changes.inserted) {
            added.append(list_.rows.at(static_cast<std::size_t>(at)).text);
        }
        qCDebug(lcLive).noquote().nospace()
            << "rows " << list_.rows.size() << " -" << changes.removed.size() << " +"
            << added.join(QStringLiteral(" +"));
    }
}

}  // namespace tilebay
