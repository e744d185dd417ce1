#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "common/ini/ini.h"
#include "patchwell/update/core/check/front_start.h"
#include "patchwell/update/core/check/windowless_start.h"
#include "patchwell/update/core/logic/check_logic.h"
#include "patchwell/update/core/testing/fake_control.h"
#include "patchwell/update/core/testing/test_folder.h"

namespace {

using namespace patchwell::update;
using patchwell::download::FakeSmallFetcher;
using patchwell::download::SmallAnswer;
using Kind = SmallAnswer::Kind;

class View : public CheckView {
public:
    void MakeTopmost() override {}
    void HideWindow() override {}
    void ShowWindow() override { shown = true; }
    void StopTimer() override {}
    ControlPort& DownloadWindowControl() override { return updateControl; }
    void ShowDownloadWindow() override { downloadWindow = true; }
    bool shown = false;
    bool downloadWindow = false;
    FakeControl updateControl;
};

SmallAnswer Body(const QByteArray& manifest, const char* etag) {
    return {Kind::Body, manifest, {QString::fromLatin1(etag), QString()}, -1, 200};
}

const QByteArray kCurrent("[Update]\ncurver=1.0\ncurverurl=http://h/s.sh\nsavefileas=s.sh\n");
const QByteArray kNewer("[Update]\ncurver=2.0\ncurverurl=http://h/s.sh\nsavefileas=s.sh\n");

struct Installation {
    explicit Installation(const QByteArray& updateKeys) {
        app.Write(QStringLiteral("update.ini"),
                  QByteArray("[Program]\nPrgname=Editor\nprgver=1.0\nexe=editor.sh\n[Update]\n"
                             "verchckurl=http://h/iupdate.ini\n") +
                      updateKeys);
    }
    // One start as the program makes it: without windows as far as it can
    // go, then with them. True when the windows were needed.
    bool Start(const CheckRequest& request = {}) {
        view = std::make_unique<View>();
        ScheduledCheck scheduled(server, request, cache.filePath(QStringLiteral("patchwell")));
        WindowlessStart windowless = StartWithoutWindows(app.Svc(), scheduled);
        if (windowless.over) {
            return false;
        }
        CheckLogic logic(app.Svc(), *view, dl1);
        logic.UseSchedule(scheduled, std::move(windowless.checked));
        logic.Load();
        return true;
    }
    TestFolder app;
    QTemporaryDir cache;
    FakeSmallFetcher server;  // answers in turn
    FakeControl dl1;
    std::unique_ptr<View> view;
};

TEST(ScheduledCheck, QuietEndsWithoutAWindowUnlessThereIsSomethingToSay) {
    // What one start meets, and what the user then sees. Quiet starts that
    // are up to date, refused or told to come back later end without a
    // window end to end (cases_quiet.sh: case_quiet, case_cache).
    struct Case {
        const char* keys;
        std::vector<SmallAnswer> answers;
        bool windows;  // the windows were needed at all
        int messages;
        bool windowShown;
        bool servedStarted;
        bool downloadWindow;
    };
    const SmallAnswer failed{};
    const SmallAnswer same{Kind::NotModified, {}, {}, -1, 304};
    const QByteArray outside("[Update]\ncurver=2.0\nsavefileas=../x\n");
    const QByteArray unbound = kNewer + "curversize=12\n";
    const Case cases[] = {
        {"", {Body(kCurrent, "\"a\"")}, true, 1, false, true, false},
        {"", {failed}, true, 0, true, false, false},
        // The windows offer the update from the manifest already fetched.
        {"quiet=1\n", {Body(kNewer, "\"b\"")}, true, 0, false, false, true},
        // A save name that leaves the folder: the check is not carried out.
        {"quiet=1\n", {Body(outside, "\"c\"")}, true, 0, false, true, false},
        // A 304 with nothing cached: one plain fetch.
        {"quiet=1\n", {same, Body(kCurrent, "\"d\"")}, false, 0, false, true, false},
        // A manifest that cannot be verified (a size without its digest):
        // the refusal's box, then, quiet, the program as it is.
        {"", {Body(unbound, "\"e\"")}, true, 1, false, false, false},
        {"quiet=1\n", {Body(unbound, "\"f\"")}, true, 1, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.keys) + " answer " + std::to_string(c.answers[0].status));
        Installation run{QByteArray(c.keys)};
        run.server.answers.assign(c.answers.begin(), c.answers.end());
        EXPECT_EQ(run.Start(), c.windows);
        EXPECT_EQ(run.app.messages.shown.size(), static_cast<std::size_t>(c.messages));
        EXPECT_EQ(run.view->shown, c.windowShown);
        EXPECT_EQ(run.app.launcher.starts.size(), c.servedStarted ? 1u : 0u);
        EXPECT_EQ(run.view->downloadWindow, c.downloadWindow);
        ASSERT_EQ(run.server.asked.size(), c.answers.size());
        EXPECT_EQ(run.server.asked.back().validators.etag, QString());
        EXPECT_EQ(run.server.asked[0].limit.count() > 0, QByteArray(c.keys).contains("quiet"));
        EXPECT_EQ(common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("notbefore"),
                                       run.app.Path(QStringLiteral("update.ini"))),
                  QString());
        EXPECT_TRUE(run.dl1.calls.isEmpty());  // the control fetched nothing
    }
}

TEST(ScheduledCheck, OfflineTheUserHearsItFirstAndNothingIsAsked) {
    // The default start shows the control's own notice, then the window.
    Installation run{QByteArray()};
    run.dl1.online = false;
    run.server.answers.push_back(Body(kCurrent, "\"a\""));
    EXPECT_TRUE(run.Start());
    ASSERT_EQ(run.app.messages.shown.size(), 1u);
    EXPECT_EQ(run.app.messages.shown[0].text,
              QStringLiteral("You are not currently connected to the internet!\r\n"
                             "The download will be aborted!"));
    EXPECT_EQ(run.app.messages.shown[0].icon, patchwell::platform::MessageIcon::None);
    EXPECT_TRUE(run.view->shown);
    EXPECT_TRUE(run.server.asked.empty());
    EXPECT_TRUE(run.app.launcher.starts.empty());
    EXPECT_EQ(run.dl1.connectionChecks, 1);
}

TEST(ScheduledCheck, TheSkippedVersionIsNotOfferedALaterOneIsAndCheckShowsIt) {
    const auto offering = [](const QByteArray& version) {
        return "[Update]\ncurver=" + version + "\ncurverurl=http://h/s.sh\nsavefileas=s.sh\n";
    };
    const QByteArray tooLong(129, '9');
    struct Case {
        const char* what;
        QByteArray keys;
        QByteArray offered;  // curver of the manifest
        CheckRequest request;
        bool windows;  // the windows were needed at all
        bool offer;    // the download window opened, else the served program started
    };
    const CheckRequest check{false, true, {}};
    const Case cases[] = {
        {"skipped", "skipversion=2.0\n", "2.0", {}, true, false},
        {"skipped, quoted", "skipversion=\"2.0\"\n", "2.0", {}, true, false},
        {"skipped, quiet", "quiet=1\nskipversion=2.0\n", "2.0", {}, false, false},
        {"a later version", "skipversion=2.0\n", "2.1", {}, true, true},
        {"compared as text, as versions are", "skipversion=2.0\n", "2.00", {}, true, true},
        {"--check shows it", "skipversion=2.0\n", "2.0", check, true, true},
        // Malformed: ignored, the update offered as usual.
        {"a control character",
         "skipversion=2\x01"
         "0\n",
         "2\x01"
         "0",
         {},
         true,
         true},
        {"over-long", "skipversion=" + tooLong + "\n", tooLong, {}, true, true},
        {"empty", "skipversion=\n", "2.0", {}, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Installation run{c.keys};
        run.server.answers.push_back(Body(offering(c.offered), "\"a\""));
        EXPECT_EQ(run.Start(c.request), c.windows);
        // A skipped version is no news: no box at all.
        EXPECT_TRUE(run.app.messages.shown.empty());
        EXPECT_EQ(run.view->downloadWindow, c.offer);
        EXPECT_FALSE(run.view->shown);
        ASSERT_EQ(run.app.launcher.starts.size(), c.offer ? 0u : 1u);
        if (!c.offer) {
            EXPECT_EQ(run.app.launcher.starts[0].program,
                      run.app.Path(QStringLiteral("editor.sh")));
            EXPECT_FALSE(run.app.Exists(QStringLiteral("iupdate.ini")));
        }
    }
}

// The front's start: only with nothing to ask, the lock and the folder to
// hand does it start the served program; anything else is left, untouched,
// to the whole program.
TEST(ScheduledCheck, TheFrontStartsTheServedProgramOnlyWhenNothingIsToBeAsked) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QByteArray recent =
        "checkhours=24\nlastcheck=" + common::IniUtcText(now.addSecs(-3600)).toLatin1() + "\n";
    struct Case {
        const char* name;
        QByteArray keys;
        bool otherInstance;
        bool writable;
        bool launches;
        bool started;  // the result
        int launched;  // starts made
    };
    const Case cases[] = {
        {"no schedule", "", false, true, true, false, 0},
        {"within checkhours", recent, false, true, true, true, 1},
        {"checked a day ago",
         "checkhours=24\nlastcheck=" + common::IniUtcText(now.addDays(-2)).toLatin1() + "\n", false,
         true, true, false, 0},
        {"the server said wait",
         "notbefore=" + common::IniUtcText(now.addSecs(600)).toLatin1() + "\n", false, true, true,
         true, 1},
        {"another instance", recent, true, true, true, false, 0},
        {"a folder it cannot write", recent, false, false, true, false, 0},
        {"a program that will not start", recent, false, true, false, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Installation run{c.keys};
        run.app.guard.otherInstanceRunning = c.otherInstance;
        run.app.storage.writable = c.writable;
        run.app.launcher.succeed = [&c](const QString&) { return c.launches; };
        EXPECT_EQ(StartWithinSchedule(run.app.guard, run.app.storage, run.app.launcher,
                                      run.app.folder, now),
                  c.started);
        ASSERT_EQ(run.app.launcher.starts.size(), static_cast<std::size_t>(c.launched));
        if (c.launched == 1) {
            EXPECT_EQ(run.app.launcher.starts[0].program,
                      run.app.Path(QStringLiteral("editor.sh")));
            EXPECT_EQ(run.app.launcher.starts[0].workingFolder, run.app.folder);
        }
        // A front that cannot run the whole program starts the served
        // program whatever the schedule and the folder, but never beside
        // another instance.
        Installation unchecked{c.keys};
        unchecked.app.guard.otherInstanceRunning = c.otherInstance;
        unchecked.app.launcher.succeed = [&c](const QString&) { return c.launches; };
        EXPECT_EQ(StartUnchecked(unchecked.app.guard, unchecked.app.launcher, unchecked.app.folder),
                  !c.otherInstance && c.launches);
        EXPECT_EQ(unchecked.app.launcher.starts.size(), c.otherInstance ? 0U : 1U);
    }
}

class MeteredCost : public patchwell::platform::NetworkCost {
public:
    bool Metered() override { return true; }
};

// Metered with a known size, and unmetered, are seen end to end
// (cases_quiet.sh, case_metered).
TEST(ScheduledCheck, OnAMeteredConnectionTheOfferSaysSoWithTheInstallersSize) {
    Installation run{QByteArray()};
    MeteredCost cost;
    const ScheduledCheck scheduled(run.server, {}, QString(), &cost);
    VerifiedManifest manifest;
    EXPECT_EQ(scheduled.OfferNote(manifest),
              QStringLiteral("Your connection is metered; the size of the update is not known."));
    manifest.installerSize = 800;
    EXPECT_EQ(scheduled.OfferNote(manifest),
              QStringLiteral("Your connection is metered: the update is 800 bytes."));
}

}  // namespace
