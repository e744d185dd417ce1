#include <QLocale>
#include <QStringList>

#include <gtest/gtest.h>

#include "common/ini/ini.h"
#include "patchwell/update/core/logic/update_logic.h"
#include "patchwell/update/core/testing/fake_control.h"
#include "patchwell/update/core/testing/fake_update_view.h"
#include "patchwell/update/core/testing/test_folder.h"
#include "patchwell/update/core/texts.h"

namespace {

using namespace patchwell::update;
using patchwell::platform::MessageIcon;

class UpdateLogicTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        dl1.url = QStringLiteral("http://127.0.0.1:1/editor-setup.sh");
        dl1.saveLocation = t.Path(QStringLiteral("editor-setup.sh"));
        ConnectEvents(dl1, logic);
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    TestFolder t;
    FakeUpdateView view;
    FakeControl dl1;
    VerifiedManifest manifest;
    UpdateLogic logic{t.Svc(), view, dl1, manifest};
};

TEST_F(UpdateLogicTest, LoadAnnouncesTheUpdateWithItsNotesAndRemovesTheCloseCommand) {
    logic.Load();
    manifest.releaseNotes = QStringLiteral("What is new:\n<b>not markup</b>");
    logic.Load();
    ASSERT_EQ(t.messages.shown.size(), 2u);
    for (const auto& shown : t.messages.shown) {
        EXPECT_EQ(shown.text, QStringLiteral("An update has been found"));
        EXPECT_EQ(shown.icon, MessageIcon::Information);
        EXPECT_EQ(shown.title, QStringLiteral("Patchwell"));
        EXPECT_EQ(shown.choice, QStringLiteral("Skip This Version"));
    }
    EXPECT_TRUE(t.messages.shown[0].details.isEmpty());
    EXPECT_EQ(t.messages.shown[1].details, manifest.releaseNotes);
    EXPECT_EQ(view.log,
              (QStringList{QStringLiteral("removeClose"), QStringLiteral("removeClose")}));
}

TEST_F(UpdateLogicTest, SkipThisVersionRecordsTheVersionAndStartsTheProgramAsItIs) {
    const struct {
        QString curver;
        bool recorded;  // a version update.ini can hold
    } rows[] = {{QStringLiteral("2.1-rc1"), true}, {QString(129, u'9'), false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.curver.toStdString());
        TestFolder app;
        app.Write(QStringLiteral("update.ini"), "[Program]\nprgver=2.0\nexe=editor.sh\n");
        app.Write(QStringLiteral("iupdate.ini"), "[Update]\n");
        app.messages.takeChoice = true;
        manifest.values.curver = row.curver;
        FakeUpdateView window;
        UpdateLogic(app.Svc(), window, dl1, manifest).Load();
        EXPECT_EQ(common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("skipversion"),
                                       app.Path(QStringLiteral("update.ini"))),
                  row.recorded ? row.curver : QString());
        // Not kept: the user hears it will be offered again.
        ASSERT_EQ(app.messages.shown.size(), row.recorded ? 1u : 2u);
        if (!row.recorded) {
            EXPECT_EQ(app.messages.shown[1].text,
                      texts::CouldNotSkip(row.curver, app.Path(QStringLiteral("update.ini"))));
        }
        EXPECT_FALSE(app.Exists(QStringLiteral("iupdate.ini")));
        ASSERT_EQ(app.launcher.starts.size(), 1u);
        EXPECT_EQ(app.launcher.starts[0].program, app.Path(QStringLiteral("editor.sh")));
        EXPECT_EQ(app.lifetime.ends, 1);
        EXPECT_TRUE(window.log.isEmpty());  // the download window is never set up
        EXPECT_TRUE(dl1.calls.isEmpty());
    }
}

TEST_F(UpdateLogicTest, AnInstallerLargerThanItsManifestSaysIsStoppedAndRefused) {
    manifest.installerSize = 3000;
    manifest.installerSha256 = QByteArray(32, 'x');
    // Announced longer: nothing is downloaded at all.
    dl1.probeSize = 3001;
    UpdateLogic(t.Svc(), view, dl1, manifest).OnStartClicked();
    EXPECT_EQ(dl1.calls,
              (QStringList{QStringLiteral("GetFileInformation"), QStringLiteral("Cancel")}));
    // Announced right, sent longer: stopped at the first byte too many, the
    // partial file deleted, the transfer's own end silent.
    t.Write(QStringLiteral("iupdate.ini"), "[Update]\n");
    t.Write(QStringLiteral("editor-setup.sh"), QByteArray(3001, '#'));
    dl1.targetFile = t.Path(QStringLiteral("editor-setup.sh"));
    dl1.calls.clear();
    dl1.probeSize = 3000;
    dl1.onDownload = [](FakeControl& c) {
        c.RaiseProgress(3000, 100);
        c.RaiseProgress(3001, 100);
        c.RaiseError(QStringLiteral("Download Was Cancelled By User"));
        c.RaiseComplete();
    };
    logic.OnStartClicked();
    EXPECT_EQ(dl1.calls, (QStringList{QStringLiteral("GetFileInformation"),
                                      QStringLiteral("download"), QStringLiteral("Cancel")}));
    EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.sh")));
    EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
    EXPECT_FALSE(view.log.contains(QStringLiteral("showInstall")));
    ASSERT_EQ(t.messages.shown.size(), 2u);
    for (const auto& shown : t.messages.shown) {
        EXPECT_EQ(shown.text, texts::UpdateNotVerified(texts::refusal::WrongLength()));
    }
    EXPECT_EQ(t.lifetime.ends, 2);
}

TEST_F(UpdateLogicTest, StartProbesAndDownloadsOnlyWhenAFileWasFound) {
    dl1.probeSize = 0;
    logic.OnStartClicked();
    EXPECT_EQ(view.download,
              QStringLiteral("Downloading File: http://127.0.0.1:1/editor-setup.sh"));
    EXPECT_EQ(dl1.calls, QStringList{QStringLiteral("GetFileInformation")});
    EXPECT_TRUE(view.log.isEmpty());

    dl1.calls.clear();
    dl1.probeSize = 3072;
    dl1.onDownload = [](FakeControl& c) {
        c.RaiseStatus(QStringLiteral("Recieving File"));
        c.RaiseRate(QStringLiteral("1.5 KB/S"));
        c.RaiseTimeLeft(QStringLiteral("1 sec"));
        c.RaiseProgress(1536, 50);
    };
    logic.OnStartClicked();
    EXPECT_EQ(dl1.calls,
              (QStringList{QStringLiteral("GetFileInformation"), QStringLiteral("download")}));
    EXPECT_EQ(view.log, QStringList{QStringLiteral("startTimer")});
    EXPECT_EQ(view.maximum, 3072);
    EXPECT_EQ(view.value, 1536);
    EXPECT_EQ(view.size, QStringLiteral("Recived/Total Size : 1.50 kB/3.00 kB"));
    EXPECT_EQ(view.percent, QStringLiteral("Percent Downloaded : 50%"));
    EXPECT_EQ(view.title, QStringLiteral("Downloading Update - 50% downloaded"));
    EXPECT_EQ(view.status, QStringLiteral("Status: Recieving File"));
    EXPECT_EQ(view.rate, QStringLiteral("Transfer Rate: 1.5 KB/S"));
    EXPECT_EQ(view.time, QStringLiteral("Time Remaining: 1 sec"));

    // An installer past 4 GiB: sizes whole, the bar in units that fit its range.
    dl1.probeSize = Q_INT64_C(5368709120);
    dl1.onDownload = [](FakeControl& c) { c.RaiseProgress(Q_INT64_C(2684354560), 50); };
    logic.OnStartClicked();
    EXPECT_EQ(view.maximum, 1789569706);
    EXPECT_EQ(view.value, 894784853);
    EXPECT_EQ(view.size, QStringLiteral("Recived/Total Size : 2.50 GB/5.00 GB"));
}

TEST_F(UpdateLogicTest, StartWhilePausedOrRunningOnlyRewritesTheLabel) {
    dl1.cPause = true;
    logic.OnStartClicked();
    dl1.cPause = false;
    dl1.inDL = true;
    logic.OnStartClicked();
    EXPECT_TRUE(dl1.calls.isEmpty());
    EXPECT_EQ(view.download,
              QStringLiteral("Downloading File: http://127.0.0.1:1/editor-setup.sh"));
}

TEST_F(UpdateLogicTest, StartClickedAgainDuringTheProbeStartsNothingMore) {
    dl1.probeSize = 3072;
    int probes = 0;
    dl1.onProbe = [&](FakeControl&) {
        if (++probes == 1) {
            logic.OnStartClicked();  // handled inside the probe's wait
        }
    };
    logic.OnStartClicked();
    EXPECT_EQ(dl1.calls,
              (QStringList{QStringLiteral("GetFileInformation"), QStringLiteral("download")}));

    // Once the first click's handler is done, Start works again.
    dl1.calls.clear();
    logic.OnStartClicked();
    EXPECT_EQ(dl1.calls.size(), 2);
}

TEST_F(UpdateLogicTest, PauseToggles) {
    logic.OnPauseClicked();
    EXPECT_EQ(dl1.calls, QStringList{QStringLiteral("Pause(true)")});
    EXPECT_EQ(view.pauseCaption, QStringLiteral("Resume Update"));
    EXPECT_EQ(view.log, QStringList{QStringLiteral("stopTimer")});

    logic.OnPauseClicked();
    EXPECT_EQ(dl1.calls.last(), QStringLiteral("Pause(false)"));
    EXPECT_EQ(view.pauseCaption, QStringLiteral("Pause Update"));
    EXPECT_EQ(view.log.last(), QStringLiteral("startTimer"));
}

TEST_F(UpdateLogicTest, ProgressAboveTheMaximumIsClamped) {
    view.maximum = 1000;
    dl1.fileSize = 1000;
    dl1.RaiseProgress(1500, 150);
    EXPECT_EQ(view.value, 1000);
    EXPECT_EQ(view.percent, QStringLiteral("Percent Downloaded : 150%"));
}

TEST_F(UpdateLogicTest, ErrorsGoToAMessageAndTheCodeText) {
    dl1.RaiseError(QStringLiteral("Error Downloading File from : http://x/y"));
    dl1.RaiseCode(1);
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_EQ(t.messages.shown[0].text, QStringLiteral("Error Downloading File from : http://x/y"));
    EXPECT_EQ(t.messages.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(t.messages.shown[0].title, QStringLiteral("Patchwell"));
    EXPECT_EQ(view.errorCode, QStringLiteral("Error Code - [1] Uknown Error!"));
    EXPECT_EQ(t.lifetime.ends, 0);
}

TEST_F(UpdateLogicTest, CancelRemovesTheManifestAndEnds) {
    t.Write(QStringLiteral("iupdate.ini"), "[Update]\n");
    logic.OnCancelClicked();
    EXPECT_EQ(dl1.calls, QStringList{QStringLiteral("Cancel")});
    EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
    EXPECT_EQ(t.lifetime.ends, 1);

    // Already gone: still ends, without a message.
    logic.OnCancelClicked();
    EXPECT_EQ(t.lifetime.ends, 2);
    EXPECT_TRUE(t.messages.shown.empty());
}

TEST_F(UpdateLogicTest, CompletionHidesWaitsAndOpensTheInstallationWindow) {
    dl1.RaiseComplete();
    EXPECT_EQ(view.log, (QStringList{QStringLiteral("hide"), QStringLiteral("showInstall")}));
    EXPECT_EQ(t.lifetime.waits, std::vector<int>{500});
}

TEST_F(UpdateLogicTest, AnimationCountsFramesAndPauseKeepsThePlace) {
    for (int i = 0; i < 5; ++i) {
        logic.OnTimerTick();
    }
    logic.OnPauseClicked();
    logic.OnPauseClicked();
    for (int i = 0; i < 12; ++i) {
        logic.OnTimerTick();
    }
    EXPECT_EQ(view.frames, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0, 1}));
}

TEST_F(UpdateLogicTest, UnloadCancelsWaitsAndDeletesTheFileTheControlWrote) {
    // Before any transfer nothing is deleted, not even a file of that name.
    t.Write(QStringLiteral("editor-setup.sh"), "kept");
    logic.Unload();
    EXPECT_TRUE(t.Exists(QStringLiteral("editor-setup.sh")));

    // The control wrote the save name with the URL's extension.
    dl1.calls.clear();
    t.lifetime.waits.clear();
    dl1.targetFile = t.Path(QStringLiteral("editor-setup.bin"));
    t.Write(QStringLiteral("editor-setup.bin"), "partial");
    logic.Unload();
    EXPECT_EQ(dl1.calls, QStringList{QStringLiteral("Cancel")});
    EXPECT_EQ(t.lifetime.waits, std::vector<int>{5000});
    EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.bin")));
    EXPECT_TRUE(t.Exists(QStringLiteral("editor-setup.sh")));
}

}  // namespace
