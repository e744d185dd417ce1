// The panel window on the offscreen platform: the keyboard after --toggle,
// the context menu, the readable "Close" and the rows' folders.

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"
#include "tilebay/panel/items/testing/desktop_items_fakes.h"
#include "tilebay/panel/window/desktop_main.h"
#include "tilebay/platform/shell/testing/shell_fakes.h"
#include "tilebay/platform/system/testing/fake_system.h"

namespace {

using namespace tilebay;

class Host : public PanelHost {
public:
    void ShowSplash() override {}
    void CloseSplash() override {}
    void OpenStyleLoader() override {}
    void ClosePanel() override {}
    DesktopActions* Desktop() override { return &trash; }
    tilebay::testing::RecordingDesktopActions trash;
};

void Press(QWidget* target, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
}

TEST(PanelWindowTest, KeyboardMenuReadableCloseAndRowsFromTheirOwnFolder) {
    QTemporaryDir dir;
    const QDir root(dir.path());
    for (const char* folder : {"styles/White", "user", "all"}) {
        root.mkpath(S(folder));
    }
    WriteTestFile(QDir(root.filePath(S("styles/White"))), S("style.ini"),
                  "[COLOUR]\nfontcolourred=255\nfontcolourgreen=255\nfontcolourblue=255\n"
                  "bgcolourred=0\nbgcolourgreen=0\nbgcolourblue=128\n"
                  "[SIZE]\nboxheight=4215\n[POSITION]\ntop=1\n[NAME]\nstylename=White\n");
    WriteTestFile(root, S("styleloader.ini"), "[STYLE]\nstylename=\\White\n");
    WriteTestFile(QDir(root.filePath(S("all"))), S("Beta.txt"), "all");
    WriteTestFile(QDir(root.filePath(S("user"))), S("Beta.txt"), "user");
    // Enter runs only what would be executed: gamma is a script.
    ASSERT_TRUE(
        QFile::setPermissions(WriteTestFile(QDir(root.filePath(S("user"))), S("gamma.txt"), "g"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    tilebay::testing::RecordingShellEffects shell;
    tilebay::testing::SquareIcons icons{Qt::blue};
    tilebay::testing::CountingPause pause;
    tilebay::testing::FakeLoginName login{S("ann")};
    tilebay::testing::FakeDesktopFolders folders{root.filePath(S("user")), root.filePath(S("all"))};
    tilebay::testing::FakeRunService run;
    PanelServices services{shell, icons, pause, login, folders, run};
    StyleSettings style;
    Host host;
    DesktopMain panel(dir.path(), style, services, host, nullptr);
    panel.SetScreenName(S("no such output"));
    panel.Form_Load();
    auto* list = static_cast<QTreeWidget*>(panel.Control(PanelControl::lvwIcons));
    auto* caption = static_cast<QLabel*>(panel.Control(PanelControl::titlecap));

    // White on the grey face of "Close" is unreadable: drawn black; the
    // style loader still gets the style's white.
    EXPECT_EQ(panel.Control(PanelControl::closebtn)->palette().color(QPalette::WindowText),
              QColor(Qt::black));
    EXPECT_EQ(panel.CloseButtonTextColour(), QColor(Qt::white));
    // An unknown screen name docks on the primary screen.
    EXPECT_EQ(panel.DockScreen(), QGuiApplication::primaryScreen());
    EXPECT_EQ(ChooseScreen(QGuiApplication::primaryScreen()->name()),
              QGuiApplication::primaryScreen());

    // The rows keep their folders: all users first.
    ASSERT_EQ(list->topLevelItemCount(), 3);
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_EQ(panel.SelectedRow()->folder, root.filePath(S("all")));
    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_EQ(panel.SelectedRow()->folder, root.filePath(S("user")));

    // --toggle: into view with the keyboard; typing filters and shows in the
    // caption strip; Enter starts the selected row's item alone.
    const double retracted = panel.Logic().WindowTop();
    EXPECT_LT(retracted, 0);
    panel.Toggle();
    EXPECT_TRUE(panel.Logic().InView());
    EXPECT_TRUE(panel.HasKeyboard());
    EXPECT_EQ(shell.focus, QStringList{S("take 1")});
    Press(list, Qt::Key_A, S("a"));  // Beta, Beta, gamma
    Press(list, Qt::Key_M, S("M"));  // gamma alone
    EXPECT_EQ(caption->text(), S("Find: aM"));
    EXPECT_TRUE(list->topLevelItem(0)->isHidden());
    Press(list, Qt::Key_Return);
    EXPECT_EQ(run.started, QStringList{root.filePath(S("user/gamma.txt"))});
    // Escape: the filter goes, then the panel retracts and hands the
    // keyboard back.
    Press(list, Qt::Key_Escape);
    EXPECT_EQ(caption->text(), S("White - Tilebay"));
    EXPECT_FALSE(list->topLevelItem(0)->isHidden());
    EXPECT_TRUE(panel.Logic().InView());
    Press(list, Qt::Key_Escape);
    EXPECT_EQ(panel.Logic().WindowTop(), retracted);
    EXPECT_FALSE(panel.HasKeyboard());
    EXPECT_EQ(shell.focus, (QStringList{S("take 1"), S("return")}));
    panel.Toggle();
    panel.Toggle();  // in view: retracts
    EXPECT_EQ(panel.Logic().WindowTop(), retracted);

    // The context menu of a row: its four entries; "Move to Trash" takes
    // the row's own file and its row.
    list->setCurrentItem(list->topLevelItem(0));
    panel.ShowContextMenu(QPoint(10, 10));
    ASSERT_NE(panel.ContextMenu(), nullptr);
    QStringList texts;
    for (QAction* action : panel.ContextMenu()->actions()) {
        texts << action->text();
    }
    EXPECT_EQ(texts,
              (QStringList{S("Open"), S("Open Containing Folder"), S("Copy"), S("Move to Trash")}));
    panel.ContextMenu()->actions().at(3)->trigger();
    EXPECT_EQ(host.trash.calls, QStringList{S("trash ") + root.filePath(S("all/Beta.txt"))});
    EXPECT_EQ(list->topLevelItemCount(), 2);
    EXPECT_TRUE(QFile::exists(root.filePath(S("user/Beta.txt"))));
    panel.ContextMenu()->close();
}

}  // namespace
