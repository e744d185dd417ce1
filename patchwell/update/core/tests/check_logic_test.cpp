#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

#include "check_logic.h"
#include "fake_control.h"
#include "test_folder.h"
#include "texts.h"

namespace {

using namespace patchwell::update;
using patchwell::platform::MessageIcon;

class FakeCheckView : public CheckView {
public:
    void MakeTopmost() override { log << QStringLiteral("topmost"); }
    void HideWindow() override { log << QStringLiteral("hide"); }
    void ShowWindow() override { log << QStringLiteral("show"); }
    void StopTimer() override { log << QStringLiteral("stopTimer"); }
    ControlPort& DownloadWindowControl() override {
        if (!updateControl) {
            log << QStringLiteral("createDownloadWindow");
            updateControl = std::make_unique<FakeControl>();
        }
        return *updateControl;
    }
    void ShowDownloadWindow() override { log << QStringLiteral("showDownloadWindow"); }

    QStringList log;
    std::unique_ptr<FakeControl> updateControl;
};

class CheckLogicTest : public ::testing::Test {
protected:
    void SetUp() override {
        t.Write(QStringLiteral("update.ini"),
                "[Program]\nPrgname=Sample Editor\nprgver=2.0\nexe=editor.sh\n"
                "[Update]\nverchckurl=http://127.0.0.1:1/manifest.ini\n");
    }

    // The check transfer writes `manifest` as iupdate.ini and completes.
    void ServeManifest(const QByteArray& manifest) {
        dl1.probeSize = static_cast<qint32>(manifest.size());
        dl1.onDownload = [this, manifest](FakeControl& c) {
            t.Write(QStringLiteral("iupdate.ini"), manifest);
            c.RaiseComplete();
        };
    }

    std::unique_ptr<CheckLogic> Start() {
        auto logic = std::make_unique<CheckLogic>(t.Svc(), view, dl1);
        QObject::disconnect(&dl1, &ControlPort::DLComplete, nullptr, nullptr);
        QObject::connect(&dl1, &ControlPort::DLComplete, [l = logic.get()] { l->OnDLComplete(); });
        logic->Load();
        return logic;
    }

    TestFolder t;
    FakeCheckView view;
    FakeControl dl1;
};

TEST_F(CheckLogicTest, SecondInstanceIsRefusedWithOneMessage) {
    t.guard.otherInstanceRunning = true;
    auto logic = Start();
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_EQ(t.messages.shown[0].text, QStringLiteral("Patchwell can only be ran once"));
    EXPECT_EQ(t.messages.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(t.messages.shown[0].title, QStringLiteral("Patchwell"));
    EXPECT_EQ(t.lifetime.ends, 1);
    EXPECT_TRUE(dl1.calls.isEmpty());
    EXPECT_TRUE(view.log.isEmpty());
}

TEST_F(CheckLogicTest, MissingLocalManifestShowsTheWindowTopmost) {
    QFile::remove(t.Path(QStringLiteral("update.ini")));
    auto logic = Start();
    EXPECT_EQ(dl1.calls, (QStringList{QStringLiteral("Url="),
                                      QStringLiteral("SaveLocation=") + t.folder +
                                          QStringLiteral("/iupdate.ini"),
                                      QStringLiteral("GetFileInformation")}));
    EXPECT_EQ(view.log, (QStringList{QStringLiteral("topmost"), QStringLiteral("show")}));
    EXPECT_TRUE(t.messages.shown.empty());
    EXPECT_EQ(t.lifetime.ends, 0);

    logic->OnOkClicked();
    EXPECT_EQ(dl1.calls.last(), QStringLiteral("Cancel"));
    EXPECT_EQ(t.lifetime.ends, 1);
}

TEST_F(CheckLogicTest, BusyControlOrFailedTransferShowsTheWindow) {
    dl1.inDL = true;
    Start();
    EXPECT_FALSE(dl1.calls.contains(QStringLiteral("GetFileInformation")));
    EXPECT_EQ(view.log.last(), QStringLiteral("show"));

    // A probe that succeeds followed by a transfer that ends without completing.
    dl1.inDL = false;
    dl1.calls.clear();
    view.log.clear();
    dl1.probeSize = 100;
    dl1.onDownload = [](FakeControl& c) { c.RaiseError(QStringLiteral("Error Downloading")); };
    auto logic = Start();
    EXPECT_EQ(dl1.calls.last(), QStringLiteral("download"));
    EXPECT_EQ(view.log, (QStringList{QStringLiteral("topmost"), QStringLiteral("hide"),
                                     QStringLiteral("show")}));
    EXPECT_EQ(t.lifetime.ends, 0);
}

TEST_F(CheckLogicTest, UpToDateTellsRemovesManifestStartsProgramAndEnds) {
    ServeManifest("[Update]\ncurver=2.0\ncurverurl=http://127.0.0.1:1/s.sh\nsavefileas=s.sh\n");
    auto logic = Start();

    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_EQ(t.messages.shown[0].text,
              QStringLiteral("You have the latest version of Sample Editor"));
    EXPECT_EQ(t.messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(t.messages.shown[0].title, QStringLiteral("Patchwell"));
    EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
    ASSERT_EQ(t.launcher.starts.size(), 1u);
    EXPECT_EQ(t.launcher.starts[0].program, t.Path(QStringLiteral("editor.sh")));
    EXPECT_TRUE(t.launcher.starts[0].arguments.isEmpty());
    EXPECT_EQ(t.launcher.starts[0].workingFolder, t.folder);
    EXPECT_EQ(t.lifetime.ends, 1);
    EXPECT_FALSE(view.log.contains(QStringLiteral("show")));
    EXPECT_FALSE(view.updateControl);
}

TEST_F(CheckLogicTest, UpToDateReportsStepsThatFailAndStillEnds) {
    // Nothing to start: the served program cannot be started.
    t.launcher.succeed = [](const QString&) { return false; };
    ServeManifest("[Update]\ncurver=2.0\n");
    Start();
    ASSERT_EQ(t.messages.shown.size(), 2u);
    EXPECT_EQ(t.messages.shown[1].text,
              QStringLiteral("Patchwell could not start ") + t.Path(QStringLiteral("editor.sh")));
    EXPECT_EQ(t.lifetime.ends, 1);
}

TEST_F(CheckLogicTest, UpToDateReportsAManifestThatCannotBeDeleted) {
    // A folder where the manifest should be: it cannot be deleted as a file
    // and reads as empty, which matches an empty local version.
    t.Write(QStringLiteral("update.ini"), "[Program]\nPrgname=Sample Editor\nexe=editor.sh\n");
    dl1.probeSize = 10;
    dl1.onDownload = [this](FakeControl& c) {
        QDir(t.folder).mkdir(QStringLiteral("iupdate.ini"));
        c.RaiseComplete();
    };
    Start();
    ASSERT_EQ(t.messages.shown.size(), 2u);
    EXPECT_EQ(t.messages.shown[1].text, QStringLiteral("Patchwell could not delete ") +
                                            t.Path(QStringLiteral("iupdate.ini")));
    EXPECT_EQ(t.launcher.starts.size(), 1u);
    EXPECT_EQ(t.lifetime.ends, 1);
}

TEST_F(CheckLogicTest, EmptyExeStartsNothingWithoutComplaint) {
    t.Write(QStringLiteral("update.ini"), "[Program]\nPrgname=Sample Editor\nprgver=2.0\n");
    ServeManifest("[Update]\ncurver=2.0\n");
    Start();
    EXPECT_EQ(t.messages.shown.size(), 1u);
    EXPECT_TRUE(t.launcher.starts.empty());
    EXPECT_EQ(t.lifetime.ends, 1);
}

TEST_F(CheckLogicTest, DifferentVersionOpensTheDownloadWindow) {
    for (const char* remote : {"2.1", "2.00", "2.0a", "1.9", "2.0A"}) {
        SCOPED_TRACE(remote);
        view = FakeCheckView();
        dl1.calls.clear();
        ServeManifest(QByteArray("[Update]\ncurver=") + remote +
                      "\ncurverurl=http://127.0.0.1:1/editor-setup.sh\n"
                      "savefileas=editor-setup.sh\n[updateprg]\ncurver=1.0\ncurverurl=http://u\n");
        auto logic = Start();

        EXPECT_TRUE(t.messages.shown.empty());
        EXPECT_TRUE(t.launcher.starts.empty());
        EXPECT_EQ(t.lifetime.ends, 0);
        // The window is created (and loaded) before its control is set, and
        // the check window is never shown.
        EXPECT_EQ(view.log,
                  (QStringList{QStringLiteral("topmost"), QStringLiteral("hide"),
                               QStringLiteral("createDownloadWindow"), QStringLiteral("hide"),
                               QStringLiteral("stopTimer"), QStringLiteral("showDownloadWindow")}));
        ASSERT_TRUE(view.updateControl);
        EXPECT_EQ(view.updateControl->calls,
                  (QStringList{QStringLiteral("Url=http://127.0.0.1:1/editor-setup.sh"),
                               QStringLiteral("SaveLocation=") + t.folder +
                                   QStringLiteral("/editor-setup.sh")}));
        EXPECT_TRUE(t.Exists(QStringLiteral("iupdate.ini")));
        EXPECT_EQ(logic->remoteVersion, QString::fromUtf8(remote));
        EXPECT_EQ(logic->updaterVersion, QStringLiteral("1.0"));
        EXPECT_EQ(logic->updaterUrl, QStringLiteral("http://u"));
    }
}

TEST_F(CheckLogicTest, UnsafeSaveNameStartsNothingAndShowsTheWindow) {
    for (const char* name : {"../x", "/tmp/x", "", "sub\\..\\..\\x"}) {
        SCOPED_TRACE(name);
        view = FakeCheckView();
        ServeManifest(QByteArray("[Update]\ncurver=2.1\ncurverurl=http://127.0.0.1:1/x\n"
                                 "savefileas=") +
                      name + "\n");
        Start();
        EXPECT_FALSE(view.updateControl);
        EXPECT_EQ(view.log.last(), QStringLiteral("show"));
        EXPECT_TRUE(t.launcher.starts.empty());
        EXPECT_TRUE(t.messages.shown.empty());
        EXPECT_EQ(t.lifetime.ends, 0);
    }
}

TEST_F(CheckLogicTest, WatchdogActsOnlyWithoutConnection) {
    auto logic = std::make_unique<CheckLogic>(t.Svc(), view, dl1);
    dl1.connected = true;
    logic->OnTimerTick();
    EXPECT_TRUE(t.messages.shown.empty());
    EXPECT_EQ(t.lifetime.ends, 0);

    dl1.connected = false;
    logic->OnTimerTick();
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_TRUE(t.messages.shown[0].text.startsWith(
        QStringLiteral("A connection to the internet could not be found.\n")));
    EXPECT_EQ(t.messages.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(dl1.calls, QStringList{QStringLiteral("Cancel")});
    EXPECT_EQ(view.log, QStringList{QStringLiteral("stopTimer")});
    EXPECT_EQ(t.lifetime.ends, 1);
}

}  // namespace
