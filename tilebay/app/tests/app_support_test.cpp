// The program folder, and the panel's owner on Qt's offscreen platform with
// the real windows and fake desktop services. The single instance, the
// signals and the style loader are tested end to end (e2e_test.cpp).

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "common/ini/ini.h"
#include "common/testing/qt_printers.h"
#include "tilebay/app/panel_controller.h"
#include "tilebay/app/program_folder.h"
#include "tilebay/app/shell_restore.h"
#include "tilebay/panel/items/testing/desktop_items_fakes.h"
#include "tilebay/platform/shell/testing/shell_fakes.h"
#include "tilebay/platform/system/testing/fake_system.h"

namespace {

using namespace tilebay;

TEST(ProgramFolderTest, PortableBesideTheProgramElseSetUpOnceInTheDataHome) {
    QTemporaryDir dir;
    const QDir root(dir.path());
    root.mkpath(S("portable/styles/Blue"));
    root.mkpath(S("prefix/bin"));
    root.mkpath(S("prefix/share/tilebay/styles/Ocean"));
    WriteTestFile(QDir(root.filePath(S("prefix/share/tilebay/styles/Ocean"))), S("style.ini"),
                  "[NAME]\nstylename=Ocean\n");
    WriteTestFile(QDir(root.filePath(S("prefix/share/tilebay"))), S("styleloader.ini"),
                  "[STYLE]\nstylename=\\Ocean\n");

    EXPECT_EQ(ResolveProgramFolder({root.filePath(S("portable")), QString(), S("/nonexistent")}),
              root.filePath(S("portable")));

    const ProgramFolderPlaces installed{root.filePath(S("prefix/bin")), QString(),
                                        root.filePath(S("home"))};
    const QString folder = ResolveProgramFolder(installed);
    EXPECT_EQ(folder, root.filePath(S("home/.local/share/tilebay")));
    EXPECT_EQ(
        common::ReadIniValue(S("NAME"), S("stylename"), folder + S("/styles/Ocean/style.ini")),
        S("Ocean"));
    EXPECT_EQ(common::ReadIniValue(S("STYLE"), S("stylename"), folder + S("/styleloader.ini")),
              S("\\Ocean"));
    // From then on the files are the user's own.
    common::WriteIniValue(S("STYLE"), S("stylename"), S("\\Mine"), folder + S("/styleloader.ini"));
    EXPECT_EQ(ResolveProgramFolder(installed), folder);
    EXPECT_EQ(common::ReadIniValue(S("STYLE"), S("stylename"), folder + S("/styleloader.ini")),
              S("\\Mine"));
    // $XDG_DATA_HOME when it is absolute.
    EXPECT_EQ(ResolveProgramFolder({root.filePath(S("prefix/bin")), root.filePath(S("data")),
                                    root.filePath(S("home"))}),
              root.filePath(S("data/tilebay")));
}

// Runs a closing request from inside the load's event pause, as a signal
// or a click would.
class ClosingPause : public EventPause {
public:
    void LetEventsRun() override {
        ++calls;
        if (whileLoading) {
            whileLoading();
            whileLoading = nullptr;
        }
    }
    std::function<void()> whileLoading;
    int calls = 0;
};

class PanelControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = QDir(dir.path());
        root.mkpath(S("styles/Red"));
        root.mkpath(S("styles/Green"));
        root.mkpath(S("desk"));
        WriteTestFile(QDir(root.filePath(S("styles/Red"))), S("style.ini"),
                      "[COLOUR]\nbgcolourred=200\nbgcolourgreen=0\nbgcolourblue=0\n"
                      "fontcolourred=1\nfontcolourgreen=2\nfontcolourblue=3\n"
                      "[SIZE]\nboxheight=2000\n[POSITION]\ntop=1\n");
        WriteTestFile(QDir(root.filePath(S("styles/Green"))), S("style.ini"),
                      "[COLOUR]\nbgcolourred=0\nbgcolourgreen=200\nbgcolourblue=0\n");
        WriteTestFile(root, S("styleloader.ini"), "[STYLE]\nstylename=\\Red\n");
        for (const char* name : {"a.txt", "b.png", "c.pdf", "d.zip"}) {
            WriteTestFile(QDir(root.filePath(S("desk"))), S(name), "a");
        }
        connect();
    }
    void connect() {
        QObject::connect(&controller, &PanelController::finished, [this](int) { ++finished; });
    }

    QTemporaryDir dir;
    QDir root;
    tilebay::testing::RecordingShellEffects shell;
    tilebay::testing::SquareIcons icons{Qt::blue};
    ClosingPause pause;
    tilebay::testing::FakeLoginName login{S("ann")};
    tilebay::testing::FakeDesktopFolders folders{dir.filePath(S("desk")), QString()};
    tilebay::testing::FakeRunService run;
    PanelServices services{shell, icons, pause, login, folders, run};
    PanelController controller{dir.path(), services, nullptr};
    int finished = 0;
};

TEST_F(PanelControllerTest, ACloseOrSignalDuringTheLoadWaitsForItsEnd) {
    pause.whileLoading = [this] {
        controller.Terminate();
        EXPECT_EQ(finished, 0);  // the window being filled stays
        EXPECT_TRUE(controller.Panel());
    };
    controller.loadPanel();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(pause.calls, 2) << "the collection stops after the entry it was at";
    EXPECT_FALSE(controller.Panel());
    EXPECT_EQ(shell.calls.mid(shell.calls.size() - 2),
              (QStringList{S("ShowTaskbar 1"), S("ShowDesktopIcons 1")}));
    EXPECT_EQ(common::ReadIniValue(S("OPTIONS"), S("taskbar"), root.filePath(S("options.ini"))),
              S("OFF"));
}

TEST_F(PanelControllerTest, OneStyleLoaderWhileOpenAndANewOneWithTheCurrentColoursAfterClosing) {
    controller.loadPanel();
    controller.OpenStyleLoader();
    QPointer<styleloaderfrm> first = controller.StyleLoader();
    controller.OpenStyleLoader();
    EXPECT_EQ(controller.StyleLoader(), first.data());
    EXPECT_EQ(first->palette().color(QPalette::Window), QColor(200, 0, 0));

    WriteTestFile(root, S("styleloader.ini"), "[STYLE]\nstylename=\\Green\n");
    controller.loadPanel();
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    controller.OpenStyleLoader();
    ASSERT_TRUE(controller.StyleLoader());
    EXPECT_EQ(controller.StyleLoader()->palette().color(QPalette::Window), QColor(0, 200, 0));
    EXPECT_EQ(finished, 0);
}

// A run that ends without its closing steps leaves the state file; the next
// start shows again exactly what it hid. A clean run leaves nothing.
TEST(ShellRestoreTest, WhatAnUncleanEndLeftHiddenIsShownAtTheNextStart) {
    QTemporaryDir dir;
    const QString state = ShellStatePath(dir.filePath(S("tilebay-_0.lock")));
    EXPECT_EQ(state, dir.filePath(S("tilebay-_0.hidden")));
    {
        tilebay::testing::RecordingShellEffects desktop;
        RestorableShellEffects shell(desktop, state);
        EXPECT_FALSE(shell.RestoreAfterUncleanEnd());
        shell.ShowTaskbar(false);
        EXPECT_TRUE(QFile::exists(state)) << "written before hiding";
        shell.ShowDesktopIcons(false);
        shell.ShowTaskbar(true);
        EXPECT_EQ(desktop.calls.size(), 3);
    }  // killed with the icons hidden
    tilebay::testing::RecordingShellEffects desktop;
    RestorableShellEffects shell(desktop, state);
    EXPECT_TRUE(shell.RestoreAfterUncleanEnd());
    EXPECT_EQ(desktop.calls, QStringList{S("ShowDesktopIcons 1")});
    EXPECT_FALSE(QFile::exists(state));
    shell.ShowTaskbar(false);
    shell.ShowTaskbar(true);  // a clean end
    EXPECT_FALSE(QFile::exists(state));
    EXPECT_FALSE(RestorableShellEffects(desktop, state).RestoreAfterUncleanEnd());

    // A FIFO in its place is never waited on: both are shown again, and it goes.
    ASSERT_EQ(::mkfifo(QFile::encodeName(state).constData(), 0600), 0);
    desktop.calls.clear();
    EXPECT_TRUE(RestorableShellEffects(desktop, state).RestoreAfterUncleanEnd());
    EXPECT_EQ(desktop.calls, (QStringList{S("ShowTaskbar 1"), S("ShowDesktopIcons 1")}));
    EXPECT_FALSE(QFileInfo::exists(state));
}

}  // namespace
