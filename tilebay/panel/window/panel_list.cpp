#include "tilebay/panel/window/panel_list.h"

#include <QDrag>
#include <QIcon>
#include <QMimeData>
#include <QUrl>

#include "tilebay/panel/core/item_actions.h"

namespace tilebay {
namespace {

constexpr int kFolderRole = Qt::UserRole + 1;

}  // namespace

RowEntry PanelList::Row(const QTreeWidgetItem* item) {
    return {item->text(0), item->data(0, kFolderRole).toString()};
}

QTreeWidgetItem* PanelList::MakeRow(const DesktopItemList& list, const ItemRow& row) const {
    auto* item = new QTreeWidgetItem();
    item->setText(0, row.text);
    item->setData(0, kFolderRole, row.folder);
    if (list.hasSmallImageList && row.smallImage >= 1 && row.smallImage <= list.icons16.Count()) {
        item->setIcon(0, QIcon(list.icons16.At(row.smallImage).picture));
    }
    if (columnCount() > 1) {
        item->setText(1, row.typeText);
    }
    return item;
}

bool PanelList::RemoveRow(const RowEntry& entry) {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const RowEntry shown = Row(topLevelItem(i));
        if (shown.text == entry.text && shown.folder == entry.folder) {
            delete takeTopLevelItem(i);
            return true;
        }
    }
    return false;
}

QStringList PanelList::RowTexts() const {
    QStringList names;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        names.append(topLevelItem(i)->text(0));
    }
    return names;
}

QStringList PanelList::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* PanelList::mimeData(const QList<QTreeWidgetItem*>& items) const {
    QList<QUrl> urls;
    for (const QTreeWidgetItem* item : items) {
        const QString path = RowPath(Row(item));
        if (!path.isEmpty()) {
            urls.append(QUrl::fromLocalFile(path));
        }
    }
    if (urls.isEmpty()) {
        return nullptr;
    }
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

// A row leaves as a copy: the item stays on the desktop.
void PanelList::startDrag(Qt::DropActions) {
    QMimeData* mime = mimeData(selectedItems());
    if (mime == nullptr) {
        return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    if (const QTreeWidgetItem* item = currentItem(); item != nullptr && !item->icon(0).isNull()) {
        drag->setPixmap(item->icon(0).pixmap(iconSize()));
    }
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

}  // namespace tilebay
