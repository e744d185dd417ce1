#pragma once

// The style loader's behaviour, without a widget: the folder list rooted at
// the program's styles folder, the stored style folder text and the panel
// rebuild of "Load".

#include <QColor>
#include <QString>

#include <optional>

#include "tilebay/styles/folder_list_model.h"
#include "tilebay/styles/style_loader_panel.h"

namespace tilebay {

class StyleLoaderView {
public:
    virtual ~StyleLoaderView() = default;
    virtual void setLabelTextColour(const QColor& colour) = 0;  // `Label1`
    virtual void setBackgroundColour(const QColor& colour) = 0;
    // The folder list model changed: show it again.
    virtual void showFolders() = 0;
    virtual void closeWindow() = 0;
};

// The style folder text stored for a selection: the selected path less as
// many leading characters as the current folder's path has ("\Green" for
// the subfolder Green, "" for the current folder itself). nullopt for an
// entry above the current folder, whose path is shorter.
std::optional<QString> StoredStyleFolder(const QString& selectedPath, const QString& currentPath);

class StyleLoaderLogic {
public:
    StyleLoaderLogic(QString programFolder, StyleLoaderPanel& panel, StyleLoaderView& view);

    FolderListModel& folders() { return folders_; }

    // The window's load: the panel's colours, the list on the styles folder.
    // Without a styles folder the list shows the program folder alone.
    void Form_Load();
    // `refreshbtn`
    void Refresh();
    // `loadbtn`: closes the panel, stores the selected style (nothing for an
    // entry above the current folder, so the stored style stays), loads and
    // shows the panel again and closes the loader. The panel's load lets
    // window events run; a "Load" pressed meanwhile is ignored.
    void Load();

private:
    QString programFolder_;
    StyleLoaderPanel& panel_;
    StyleLoaderView& view_;
    FolderListModel folders_;
    bool loading_ = false;
};

}  // namespace tilebay
