#pragma once

// The style loader window: a folder list opened on the program's styles
// folder, "Refresh", "Load" and an instruction label. "Load" stores the
// selected style folder and rebuilds the panel with it.

#include <QString>
#include <QWidget>

#include "tilebay/styles/folder_list.h"
#include "tilebay/styles/style_loader_logic.h"
#include "tilebay/styles/style_loader_panel.h"

class QLabel;
class QPushButton;

namespace tilebay {

class styleloaderfrm : public QWidget, private StyleLoaderView {
    Q_OBJECT

public:
    styleloaderfrm(QString programFolder, StyleLoaderPanel& panel, QWidget* parent = nullptr);

    // Takes the panel's colours and opens the list on the styles folder.
    void Form_Load();

    FolderListModel& folders() { return logic_.folders(); }

    FolderList* Dir1;
    QPushButton* refreshbtn;
    QPushButton* loadbtn;
    QLabel* Label1;

private:
    void setLabelTextColour(const QColor& colour) override;
    void setBackgroundColour(const QColor& colour) override;
    void showFolders() override;
    void closeWindow() override;
    // Gives texts longer than their design room (translations) the room they
    // need; the window keeps its size.
    void FitTexts();

    StyleLoaderLogic logic_;
};

}  // namespace tilebay
