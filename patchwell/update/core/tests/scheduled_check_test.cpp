#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "common/ini/ini.h"
#include "patchwell/update/core/check_logic.h"
#include "patchwell/update/core/quiet_start.h"
#include "patchwell/update/core/testing/fake_control.h"
#include "patchwell/update/core/testing/test_folder.h"

namespace {

using namespace patchwell::update;
using patchwell::platform::ConditionalAnswer;
using patchwell::platform::Validators;
using Kind = ConditionalAnswer::Kind;

// Answers in turn and records what was asked.
class ScriptedConditionalFetcher : public patchwell::platform::ConditionalFetcher {
public:
    ConditionalAnswer Fetch(const QString& url, qint64, const Validators& validators,
                            std::chrono::milliseconds limit) override {
        asked.push_back({url, validators.etag, limit});
        if (answers.empty()) {
            return {};
        }
        ConditionalAnswer next = answers.front();
        answers.pop_front();
        return next;
    }
    struct Request {
        QString url;
        QString etag;
        std::chrono::milliseconds limit;
    };
    std::deque<ConditionalAnswer> answers;
    std::vector<Request> asked;
};

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

ConditionalAnswer Body(const QByteArray& manifest, const char* etag) {
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
    // One start of the program with `request` on its command line.
    void Start(const CheckRequest& request = {}) {
        view = std::make_unique<View>();
        CheckFetcher signatures(app.fetcher, server);
        ScheduledCheck scheduled(server, signatures, request,
                                 cache.filePath(QStringLiteral("patchwell")));
        CheckLogic logic(app.Svc(), *view, dl1);
        logic.UseSchedule(&scheduled);
        logic.Load();
    }
    QString Key(const char* key) const {
        return common::ReadIniValue(QStringLiteral("Update"), QString::fromLatin1(key),
                                    app.Path(QStringLiteral("update.ini")));
    }
    TestFolder app;
    QTemporaryDir cache;
    ScriptedConditionalFetcher server;
    FakeControl dl1;
    std::unique_ptr<View> view;
};

TEST(ScheduledCheck, QuietEndsWithoutABoxExceptForAnUpdateAndTheCacheAnswersA304) {
    // What one start meets, and what the user then sees.
    struct Case {
        const char* keys;
        std::vector<ConditionalAnswer> answers;
        int messages;
        bool windowShown;
        bool servedStarted;
        bool downloadWindow;
    };
    const ConditionalAnswer failed{};
    const ConditionalAnswer busy{Kind::RetryLater, {}, {}, 600, 503};
    const Case cases[] = {
        {"quiet=1\n", {Body(kCurrent, "\"a\"")}, 0, false, true, false},
        {"", {Body(kCurrent, "\"a\"")}, 1, false, true, false},
        {"quiet=1\n", {failed}, 0, false, true, false},
        {"", {failed}, 0, true, false, false},
        {"quiet=1\n", {busy}, 0, false, true, false},
        {"quiet=1\n", {Body(kNewer, "\"b\"")}, 0, false, false, true},
        // A manifest whose save name leaves the folder: not carried out.
        {"quiet=1\n",
         {Body(QByteArray("[Update]\ncurver=2.0\nsavefileas=../x\n"), "\"c\"")},
         0,
         false,
         true,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.keys) + " answer " + std::to_string(c.answers[0].status));
        Installation run{QByteArray(c.keys)};
        run.server.answers.assign(c.answers.begin(), c.answers.end());
        run.Start();
        EXPECT_EQ(run.app.messages.shown.size(), static_cast<std::size_t>(c.messages));
        EXPECT_EQ(run.view->shown, c.windowShown);
        EXPECT_EQ(run.app.launcher.starts.size(), c.servedStarted ? 1u : 0u);
        EXPECT_EQ(run.view->downloadWindow, c.downloadWindow);
        ASSERT_EQ(run.server.asked.size(), 1u);
        EXPECT_EQ(run.server.asked[0].limit.count() > 0, QByteArray(c.keys).contains("quiet"));
        EXPECT_EQ(run.Key("notbefore").isEmpty(), c.answers[0].kind != Kind::RetryLater);
        EXPECT_TRUE(run.dl1.calls.isEmpty());  // the control fetched nothing
    }
}

TEST(ScheduledCheck, TheCacheAnswersA304AndTheScheduleHoldsBackTheNextStart) {
    Installation run{QByteArray("checkhours=12\n")};
    run.server.answers = {Body(kNewer, "\"v2\"")};
    run.Start();
    EXPECT_TRUE(run.view->downloadWindow);
    EXPECT_FALSE(run.Key("lastcheck").isEmpty());

    // Within checkhours: no request at all.
    run.Start();
    EXPECT_TRUE(run.server.asked.size() == 1u && run.app.launcher.starts.size() == 1u);

    // --check asks whether it changed; the 304 is answered from the cache and
    // the update is offered again.
    run.server.answers = {{Kind::NotModified, {}, {}, -1, 304}};
    run.Start({false, true, std::nullopt});
    ASSERT_EQ(run.server.asked.size(), 2u);
    EXPECT_EQ(run.server.asked[1].etag, QStringLiteral("\"v2\""));
    EXPECT_TRUE(run.view->downloadWindow);

    // A 304 with the cache gone: one plain fetch.
    QDir(run.cache.filePath(QStringLiteral("patchwell"))).removeRecursively();
    run.server.answers = {{Kind::NotModified, {}, {}, -1, 304}, Body(kCurrent, "\"v3\"")};
    run.Start({false, true, std::nullopt});
    ASSERT_EQ(run.server.asked.size(), 4u);
    EXPECT_EQ(run.server.asked[2].etag + run.server.asked[3].etag, QString());
    EXPECT_FALSE(run.view->downloadWindow);
    EXPECT_EQ(run.app.messages.shown.back().text,
              QStringLiteral("You have the latest version of Editor"));
}

class FixedCost : public patchwell::platform::NetworkCost {
public:
    explicit FixedCost(bool metered) : metered_(metered) {}
    bool Metered() override { return metered_; }

private:
    bool metered_;
};

TEST(ScheduledCheck, OnAMeteredConnectionTheOfferSaysSoWithTheInstallersSize) {
    struct Case {
        bool metered;
        std::optional<qint64> size;
        const char* note;
    };
    const Case cases[] = {
        {false, 1234567, ""},
        {true, 1234567, "Your connection is metered: the update is 1.2 MB."},
        {true, 800, "Your connection is metered: the update is 800 bytes."},
        {true, std::nullopt, "Your connection is metered; the size of the update is not known."},
    };
    Installation run{QByteArray()};
    CheckFetcher signatures(run.app.fetcher, run.server);
    for (const Case& c : cases) {
        FixedCost cost(c.metered);
        const ScheduledCheck scheduled(run.server, signatures, {}, QString(), &cost);
        VerifiedManifest manifest;
        manifest.installerSize = c.size;
        EXPECT_EQ(scheduled.OfferNote(manifest), QString::fromUtf8(c.note));
    }
}

TEST(ScheduledCheck, AStartWithoutWindowsEndsQuietlyOrHandsItsManifestToTheWindows) {
    struct Case {
        QByteArray manifest;
        bool over;  // the served program started, no window needed
    };
    for (const Case& c : {Case{kCurrent, true}, Case{kNewer, false}}) {
        Installation run{QByteArray("quiet=1\n")};
        run.server.answers = {Body(c.manifest, "\"a\"")};
        CheckFetcher signatures(run.app.fetcher, run.server);
        ScheduledCheck scheduled(run.server, signatures, {},
                                 run.cache.filePath(QStringLiteral("p")));
        EXPECT_EQ(StartWithoutWindows(run.app.Svc(), scheduled), c.over);
        EXPECT_EQ(run.app.launcher.starts.size(), c.over ? 1u : 0u);
        if (!c.over) {
            // The windows offer the update from the manifest already fetched.
            View view;
            CheckLogic logic(run.app.Svc(), view, run.dl1);
            logic.UseSchedule(&scheduled);
            logic.Load();
            EXPECT_TRUE(view.downloadWindow);
        }
        EXPECT_EQ(run.server.asked.size(), 1u);
        EXPECT_TRUE(run.app.messages.shown.empty());
    }
}

}  // namespace
