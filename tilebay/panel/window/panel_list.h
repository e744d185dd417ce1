#pragma once

// The panel's list of desktop items: a row per item, keeping the folder it
// was collected from; rows drag out as URLs (text/uri-list, copy).

#include <QStringList>
#include <QTreeWidget>

#include "tilebay/panel/core/panel_logic.h"

namespace tilebay {

class PanelList : public QTreeWidget {
    Q_OBJECT
public:
    explicit PanelList(QWidget* parent) : QTreeWidget(parent) {}
    // The row of `item` (its text and the folder it was collected from).
    static RowEntry Row(const QTreeWidgetItem* item);

    // A new row for `row` of `list`, with its small icon and, when the list
    // has a second column, its type.
    QTreeWidgetItem* MakeRow(const DesktopItemList& list, const ItemRow& row) const;
    // Removes the first row showing `entry`; false when none does.
    bool RemoveRow(const RowEntry& entry);
    // The rows' texts, top to bottom.
    QStringList RowTexts() const;

protected:
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;
    void startDrag(Qt::DropActions supportedActions) override;
};

}  // namespace tilebay
