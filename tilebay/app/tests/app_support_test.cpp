// The program's start-up pieces and the panel's owner, on Qt's offscreen
// platform with the real windows and fake desktop services.

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

#include "fake_system.h"
#include "ini.h"
#include "panel_controller.h"
#include "program_folder.h"
#include "single_instance.h"
#include "termination_signals.h"
#include "test_strings.h"
#include "wait_for.h"

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

TEST(SingleInstanceTest, OneLockPerDisplayReleasedWithItsHolder) {
    QTemporaryDir dir;
    const QString zero = InstanceLockPath(dir.path(), S(":0"));
    EXPECT_NE(zero, InstanceLockPath(dir.path(), S(":1")));
    EXPECT_FALSE(zero.contains(u':', Qt::CaseSensitive) && zero.mid(1).contains(u':'));
    auto first = InstanceLock::Acquire(zero);
    ASSERT_TRUE(first);
    EXPECT_FALSE(InstanceLock::Acquire(zero));  // a second open file is refused too
    EXPECT_TRUE(InstanceLock::Acquire(InstanceLockPath(dir.path(), S(":1"))));
    first.reset();
    EXPECT_TRUE(InstanceLock::Acquire(zero));
}

TEST(TerminationSignalsTest, EachSignalArrivesOnTheEventLoop) {
    TerminationSignals signals;
    QSignalSpy spy(&signals, &TerminationSignals::received);
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        ASSERT_EQ(::raise(number), 0);
    }
    ASSERT_TRUE(pwtest::waitFor([&] { return spy.count() == 3; }));
    EXPECT_EQ(spy.at(0).at(0).toInt(), SIGTERM);
    EXPECT_EQ(spy.at(1).at(0).toInt(), SIGINT);
    EXPECT_EQ(spy.at(2).at(0).toInt(), SIGHUP);
}

class LoggingShell : public ShellEffects {
public:
    void ShowTaskbar(bool show) override { log << S("taskbar %1").arg(show); }
    void ShowDesktopIcons(bool show) override { log << S("icons %1").arg(show); }
    void SetAlwaysOnTop(WId, bool) override {}
    void SetWindowOpacity(WId, qint16) override {}
    QStringList log;
};

class NoIcons : public FileIconSource {
public:
    QPixmap QueryFileIcon(const QString&, qint16 size) override {
        QPixmap p(size == 2 ? 32 : 16, size == 2 ? 32 : 16);
        p.fill(Qt::blue);
        return p;
    }
    QString QueryFileTypeName(const QString&) override { return S("Thing"); }
};

// Runs a closing request from inside the load's event pause, as a signal
// or a click would.
class ClosingPause : public EventPause {
public:
    void LetEventsRun() override {
        if (whileLoading) {
            whileLoading();
            whileLoading = nullptr;
        }
    }
    std::function<void()> whileLoading;
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
        WriteTestFile(QDir(root.filePath(S("desk"))), S("a.txt"), "a");
        connect();
    }
    void connect() {
        QObject::connect(&controller, &PanelController::finished, [this](int) { ++finished; });
    }

    QTemporaryDir dir;
    QDir root;
    LoggingShell shell;
    NoIcons icons;
    ClosingPause pause;
    tilebay::testing::FakeLoginName login{S("ann")};
    tilebay::testing::FakeDesktopFolders folders{dir.filePath(S("desk")), QString()};
    tilebay::testing::FakeRunService run;
    PanelServices services{shell, icons, pause, login, folders, run};
    PanelController controller{dir.path(), services, nullptr};
    int finished = 0;
};

TEST_F(PanelControllerTest, StyleLoaderRebuildsThePanelAndCloseEndsTheProgram) {
    controller.loadPanel();
    QPointer<DesktopMain> first = controller.Panel();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(controller.panelBackgroundColour(), QColor(200, 0, 0));
    EXPECT_EQ(controller.closeButtonTextColour(), QColor(1, 2, 3));
    EXPECT_EQ(first->Logic().Items().rows.size(), 1u);

    // The small square opens one style loader however often it is clicked.
    controller.OpenStyleLoader();
    controller.OpenStyleLoader();
    ASSERT_TRUE(controller.StyleLoader());
    EXPECT_TRUE(controller.IsStyleLoaderVisible());
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(),
                            [](QWidget* w) { return w->objectName() == S("styleloaderfrm"); }),
              1);

    // "Load" closes the panel (taskbar and icons shown, the program goes on),
    // stores the choice and loads a new panel with it.
    common::WriteIniValue(S("STYLE"), S("stylename"), S("\\Green"),
                          root.filePath(S("styleloader.ini")));
    shell.log.clear();
    controller.closePanel();
    EXPECT_EQ(shell.log, (QStringList{S("taskbar 1"), S("icons 1")}));
    EXPECT_EQ(finished, 0);
    controller.loadPanel();
    ASSERT_TRUE(controller.Panel());
    EXPECT_EQ(controller.panelBackgroundColour(), QColor(0, 200, 0));
    // Values the new style lacks come from the one before.
    EXPECT_EQ(controller.Panel()->Logic().Geometry(PanelControl::lvwIcons).height(), 2000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());

    // With the style loader hidden, "Close" ends the program.
    controller.StyleLoader()->close();
    EXPECT_EQ(finished, 0);
    controller.closePanel();
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(controller.Panel());
}

TEST_F(PanelControllerTest, ACloseOrSignalDuringTheLoadWaitsForItsEnd) {
    pause.whileLoading = [this] {
        controller.Terminate();
        EXPECT_EQ(finished, 0);  // the window being filled stays
        EXPECT_TRUE(controller.Panel());
    };
    controller.loadPanel();
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(controller.Panel());
    EXPECT_EQ(shell.log.mid(shell.log.size() - 2), (QStringList{S("taskbar 1"), S("icons 1")}));
    EXPECT_EQ(common::ReadIniValue(S("OPTIONS"), S("taskbar"), root.filePath(S("options.ini"))),
              S("OFF"));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
