#pragma once

// The folder list of the style loader, without a widget. It has one current
// folder; its entries are numbered
//   -1 the current folder, -2 its parent, -3 the parent's parent ... (up to
//      the root), shown as open folders above the current one;
//    0, 1, 2 ... the current folder's immediate subfolders in name order,
//      shown as closed folders below it.
// One entry is selected; after the current folder is set the selection is -1.
//
// Paths: the current folder's path is a local path ("/opt/tilebay/styles"),
// and so are its ancestors'. A subfolder's path is the current path, a
// backslash and the subfolder's name ("/opt/tilebay/styles\Green"), the
// programs' own notation, so that the selected path less the current path is
// the stored style folder text "\Green"; common::LocalPath reads it back.

#include <QString>
#include <QStringList>

namespace tilebay {

class FolderListModel {
public:
    // Makes `path` (in the programs' notation, "/" or "\" separated) the
    // current folder, reads its subfolders and selects -1. Returns false and
    // changes nothing when it names no readable folder.
    bool setPath(const QString& path);
    // Shows `path` as the current folder without listing any subfolder (for a
    // folder that cannot be listed). Selects -1.
    void setPathWithoutSubfolders(const QString& path);

    QString path() const { return path_; }

    // Number of entries above and including the current folder (the
    // ancestors and the folder itself) and number of subfolders.
    int openCount() const { return ancestors_.size(); }
    int subfolderCount() const { return subfolders_.size(); }
    // True for -openCount() .. subfolderCount() - 1.
    bool isEntry(int number) const;
    // The entry's path; empty for a number that is no entry.
    QString entryPath(int number) const;
    // The entry's display name: a subfolder's name, an open folder's last
    // path component ("/" for the root).
    QString entryName(int number) const;

    int listIndex() const { return listIndex_; }
    // A single click: selects the entry; numbers that are no entry are
    // ignored.
    void select(int number);
    // A double-click: makes the entry the current folder (selection -1).
    // Returns false when it is no entry or its folder is gone.
    bool activate(int number);
    // Reads the current folder's subfolders again. The selection stays when
    // it is still an entry, else it goes back to -1.
    void refresh();

private:
    void readSubfolders();

    QString path_;
    QStringList ancestors_;  // local paths, root first, current folder last
    QStringList subfolders_;
    bool listSubfolders_ = false;
    int listIndex_ = -1;
};

}  // namespace tilebay
