#pragma once

// The style loader's folder list `Dir1`: shows a FolderListModel as open
// folders (the ancestors and the current folder, indented by depth) above the
// closed subfolders. A click (or moving to an entry with the keyboard)
// selects it, a double-click makes it the current folder.

#include <QListWidget>

#include "tilebay/styles/folder_list_model.h"

namespace tilebay {

class FolderList : public QListWidget {
    Q_OBJECT

public:
    explicit FolderList(FolderListModel& model, QWidget* parent = nullptr);

    // Fills the list from the model and marks its selected entry.
    void showModel();
    // The row of an entry number (-1: none).
    int rowOf(int number) const;

private:
    void clicked(QListWidgetItem* item);
    void doubleClicked(QListWidgetItem* item);

    FolderListModel& model_;
};

}  // namespace tilebay
