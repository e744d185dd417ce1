#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "common/ini/ini.h"
#include "patchwell/signing/testing/minisign_tool.h"
#include "patchwell/update/core/logic/check_logic.h"
#include "patchwell/update/core/manifest/trust_state.h"
#include "patchwell/update/core/testing/fake_control.h"
#include "patchwell/update/core/testing/test_folder.h"
#include "patchwell/update/core/texts.h"

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
        EXPECT_EQ(logic->manifest.values.curver, QString::fromUtf8(remote));
        EXPECT_EQ(logic->manifest.values.updaterVersion, QStringLiteral("1.0"));
        EXPECT_EQ(logic->manifest.values.updaterUrl, QStringLiteral("http://u"));
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

TEST_F(CheckLogicTest, SaveNamesThatWouldOverwriteTheUpdatersFilesAreRefused) {
    t.services.executablePath = t.Path(QStringLiteral("patchwell"));
    ASSERT_TRUE(QDir(t.folder).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(QFile::link(t.folder, t.Path(QStringLiteral("here"))));
    struct Case {
        const char* name;
        const char* url;
    };
    for (const Case c :
         {Case{"update.ini", "x/setup.sh"}, Case{"iupdate.ini", "x/setup.sh"},
          Case{"editor.sh", "x/setup.sh"}, Case{"patchwell", "x/patchwell"},
          Case{"sub/../update.ini", "x/setup.sh"}, Case{"here/update.ini", "x/setup.sh"},
          Case{"here\\editor.sh", "x/setup.sh"},
          // The control keeps the URL's extension: update.ini, editor.sh.
          Case{"update.sh", "x/setup.ini"}, Case{"editor.bin", "x/setup.sh"}}) {
        SCOPED_TRACE(c.name);
        view = FakeCheckView();
        ServeManifest(QByteArray("[Update]\ncurver=2.1\ncurverurl=http://127.0.0.1:1/") + c.url +
                      "\nsavefileas=" + c.name + "\n");
        Start();
        EXPECT_FALSE(view.updateControl);
        EXPECT_EQ(view.log.last(), QStringLiteral("show"));
        EXPECT_TRUE(t.launcher.starts.empty());
    }

    // A backslash is a folder separator: the control is given the same path
    // that the installation step later runs and deletes.
    view = FakeCheckView();
    ServeManifest(
        "[Update]\ncurver=2.1\ncurverurl=http://127.0.0.1:1/setup.sh\nsavefileas=sub\\setup.sh\n");
    Start();
    ASSERT_TRUE(view.updateControl);
    EXPECT_EQ(view.updateControl->saveLocation, t.Path(QStringLiteral("sub/setup.sh")));

    // The name is derived once, from curverurl, and kept for every address:
    // a mirror's extension does not change it.
    for (const auto& [url, name] : std::vector<std::pair<const char*, const char*>>{
             {"setup.exe", "served.exe"}, {"download", "served.bin"}}) {
        view = FakeCheckView();
        ServeManifest(QByteArray("[Update]\ncurver=2.1\ncurverurl=http://127.0.0.1:1/") + url +
                      "\nsavefileas=served.bin\ncurvermirrors=http://127.0.0.1:1/m/served.sh\n");
        Start();
        ASSERT_TRUE(view.updateControl);
        EXPECT_EQ(view.updateControl->saveLocation, t.Path(QString::fromLatin1(name)));
        EXPECT_FALSE(view.updateControl->keepType);
    }
}

TEST_F(CheckLogicTest, AManifestLargerThanOneMebibyteEndsTheCheck) {
    // Announced as too large: not fetched at all.
    dl1.probeSize = (1 << 20) + 1;
    dl1.onDownload = [](FakeControl&) { ADD_FAILURE() << "fetched"; };
    Start();
    EXPECT_FALSE(dl1.calls.contains(QStringLiteral("download")));
    EXPECT_EQ(view.log.last(), QStringLiteral("show"));

    // Announced small, sent large: broken off at the limit, the file goes.
    view = FakeCheckView();
    dl1.calls.clear();
    dl1.probeSize = 100;
    dl1.onDownload = [this](FakeControl& c) {
        t.Write(QStringLiteral("iupdate.ini"), QByteArray((1 << 20) + 1024, '#'));
        Q_EMIT c.RecievedBytes((1 << 20) + 1024);
        c.RaiseComplete();
    };
    // Without the byte count the size of the file gives it away; with it,
    // the transfer is also cancelled.
    auto logic = Start();
    EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
    EXPECT_FALSE(view.updateControl);
    QObject::connect(&dl1, &ControlPort::RecievedBytes,
                     [l = logic.get()](qint64 n) { l->OnRecievedBytes(n); });
    view = FakeCheckView();
    dl1.calls.clear();
    logic->Load();
    EXPECT_TRUE(dl1.calls.contains(QStringLiteral("Cancel")));
    EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
    EXPECT_FALSE(view.updateControl);
    EXPECT_EQ(view.log.last(), QStringLiteral("show"));
    EXPECT_TRUE(t.messages.shown.empty());
    EXPECT_EQ(t.lifetime.ends, 0);
}

class SignedCheckTest : public CheckLogicTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(keys.isValid());
        ours = patchwell::signing::testing::MakeKey(keys.path(), QStringLiteral("ours"));
        theirs = patchwell::signing::testing::MakeKey(keys.path(), QStringLiteral("theirs"));
        ASSERT_FALSE(ours.publicKeyLine.isEmpty());
        ASSERT_FALSE(theirs.publicKeyLine.isEmpty());
        UseKey(ours.publicKeyLine, QString());
    }
    void UseKey(const QString& key, const QString& lastTime) {
        QByteArray ini =
            "[Program]\nPrgname=Sample Editor\nprgver=2.0\nexe=editor.sh\n"
            "[Update]\nverchckurl=http://127.0.0.1:1/manifest.ini\npublickey=" +
            key.toLatin1() + "\n";
        if (!lastTime.isEmpty()) {
            ini += "lastmanifesttime=" + lastTime.toLatin1() + "\n";
        }
        t.Write(QStringLiteral("update.ini"), ini);
    }
    // Signs `manifest` with `key` and serves both; returns the signing time.
    long long Publish(const QByteArray& manifest,
                      const patchwell::signing::testing::MinisignKey& key,
                      const QStringList& extra = {}) {
        const QString file = keys.filePath(QStringLiteral("iupdate.ini"));
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(manifest);
        out.close();
        EXPECT_TRUE(patchwell::signing::testing::Sign(key, file, extra));
        QFile sig(file + QStringLiteral(".minisig"));
        EXPECT_TRUE(sig.open(QIODevice::ReadOnly));
        const QByteArray signature = sig.readAll();
        t.fetcher.bodies[QStringLiteral("http://127.0.0.1:1/manifest.ini.minisig")] = signature;
        ServeManifest(manifest);
        const int at = signature.indexOf("timestamp:");
        return at < 0 ? -1 : signature.mid(at + 10, 10).toLongLong();
    }
    QString Local(const char* key) {
        return common::ReadIniValue(QStringLiteral("Update"), QString::fromLatin1(key),
                                    t.Path(QStringLiteral("update.ini")));
    }
    void Reset() {
        // A fresh installation: no signing state kept yet.
        QDir(t.StateFolder()).removeRecursively();
        t.messages.shown.clear();
        t.launcher.starts.clear();
        t.lifetime.ends = 0;
        view = FakeCheckView();
    }
    QTemporaryDir keys;
    patchwell::signing::testing::MinisignKey ours;
    patchwell::signing::testing::MinisignKey theirs;
    const QByteArray binding = "curversize=12\ncurversha256=" + QByteArray(64, 'a') +
                               "\nmanifesturl=http://127.0.0.1:1/manifest.ini\n";
    const QByteArray offer =
        "[Update]\ncurver=2.1\ncurverurl=http://127.0.0.1:1/setup.sh\nsavefileas=setup.sh\n" +
        binding;
};

TEST_F(SignedCheckTest, ASignedManifestIsUsedFromTheBytesThatWereVerified) {
    const long long signedAt = Publish(offer, ours);
    ASSERT_GT(signedAt, 0);
    // The file swapped while the signature is fetched changes nothing.
    t.fetcher.onFetch = [this](const QString&) {
        t.Write(QStringLiteral("iupdate.ini"), "[Update]\ncurver=6.6\ncurverurl=http://evil/x\n");
    };
    auto logic = Start();
    EXPECT_EQ(t.fetcher.requests,
              QStringList{QStringLiteral("http://127.0.0.1:1/manifest.ini.minisig")});
    EXPECT_TRUE(t.messages.shown.empty());
    ASSERT_TRUE(view.updateControl);
    EXPECT_EQ(view.updateControl->url, QStringLiteral("http://127.0.0.1:1/setup.sh"));
    EXPECT_EQ(logic->manifest.values.curver, QStringLiteral("2.1"));
    EXPECT_TRUE(logic->manifest.keyed);
    EXPECT_EQ(logic->manifest.installerSize, 12);
    EXPECT_EQ(Local("lastmanifesttime"), QString::number(signedAt));
}

TEST_F(SignedCheckTest, EachRefusalEndsTheCheckWithItsReason) {
    struct Case {
        const char* what;
        std::function<void()> arrange;
        QString reason;
    };
    const std::vector<Case> cases{
        {"no signature",
         [&] {
             Publish(offer, ours);
             t.fetcher.bodies.clear();
         },
         texts::refusal::NoSignature()},
        {"another key", [&] { Publish(offer, theirs); }, texts::refusal::OtherKey()},
        {"older than the last accepted",
         [&] { UseKey(ours.publicKeyLine, QString::number(Publish(offer, ours) + 1)); },
         texts::refusal::Older()},
        {"no signing time",
         [&] {
             Publish(offer, ours, {QStringLiteral("-t"), QStringLiteral("file:iupdate.ini")});
         },
         texts::refusal::NoSigningTime()},
        {"malformed key",
         [&] {
             Publish(offer, ours);
             UseKey(ours.publicKeyLine.left(20), QString());
         },
         texts::refusal::MalformedKey()},
        {"malformed remembered time",
         [&] {
             Publish(offer, ours);
             UseKey(ours.publicKeyLine, QStringLiteral("soon"));
         },
         texts::refusal::BadRecordedTime()},
        {"another program's manifest",
         [&] { Publish(QByteArray(offer).replace("/manifest.ini", "/other.ini"), ours); },
         texts::refusal::WrongAddress()},
        // Refused after its signature: neither its time nor its next key kept.
        {"a downgrade announcing a next key",
         [&] {
             Publish(QByteArray(offer).replace("curver=2.1", "curver=1.5") +
                         "nextpublickey=" + theirs.publicKeyLine.toLatin1() + "\n",
                     ours);
         },
         texts::refusal::Downgrade(QStringLiteral("1.5"), QStringLiteral("2.0"))},
        // Once kept, the key decides whatever update.ini says later.
        {"kept key, dropped from update.ini",
         [&] {
             SaveTrustState({t.StateFolder()}, t.folder, {}, {ours.publicKeyLine, {}, {}, {}});
             UseKey(QString(), QString());
             t.fetcher.bodies.clear();
             ServeManifest(offer);
         },
         texts::refusal::NoSignature()},
        {"kept key, another one in update.ini",
         [&] {
             SaveTrustState({t.StateFolder()}, t.folder, {}, {ours.publicKeyLine, {}, {}, {}});
             UseKey(theirs.publicKeyLine, QString());
             Publish(offer, theirs);
         },
         texts::refusal::OtherKey()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseKey(ours.publicKeyLine, QString());
        Reset();
        c.arrange();
        const QString before = Local("lastmanifesttime");
        Start();
        ASSERT_EQ(t.messages.shown.size(), 1u);
        EXPECT_EQ(t.messages.shown[0].text, texts::UpdateNotVerified(c.reason));
        EXPECT_EQ(t.messages.shown[0].icon, MessageIcon::Critical);
        EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
        EXPECT_FALSE(view.updateControl);
        EXPECT_TRUE(t.launcher.starts.empty());
        EXPECT_EQ(t.lifetime.ends, 1);
        EXPECT_EQ(Local("lastmanifesttime"), before);
        EXPECT_EQ(Local("nextpublickey"), QString());
    }
    EXPECT_EQ(Local("publickey"), ours.publicKeyLine);
}

TEST_F(SignedCheckTest, AnOlderVersionNeedsThePublishersWord) {
    for (const char* extra : {"", "allowdowngrade=1\n"}) {
        SCOPED_TRACE(extra);
        Reset();
        Publish(QByteArray(offer).replace("curver=2.1", "curver=1.10") + extra, ours);
        Start();
        EXPECT_EQ(view.updateControl != nullptr, *extra != 0);
        EXPECT_EQ(t.messages.shown.size(), *extra != 0 ? 0u : 1u);
    }
}

TEST_F(CheckLogicTest, AStagedRolloutOffersTheUpdateOnlyBelowItsShare) {
    const QByteArray offer =
        "[Update]\ncurver=2.1\ncurverurl=http://127.0.0.1:1/setup.sh\nsavefileas=setup.sh\n";
    const auto bucket = [this] {
        return common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("rolloutbucket"),
                                    t.Path(QStringLiteral("update.ini")));
    };
    // 0 offers it to none: the check ends as up to date, with a number
    // drawn and kept for this installation.
    ServeManifest(offer + "rollout=0\n");
    Start();
    EXPECT_FALSE(view.updateControl);
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_EQ(t.messages.shown[0].text,
              QStringLiteral("You have the latest version of Sample Editor"));
    EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
    ASSERT_EQ(t.launcher.starts.size(), 1u);
    EXPECT_EQ(t.lifetime.ends, 1);
    const QString drawn = bucket();
    ASSERT_FALSE(drawn.isEmpty());
    // The kept number decides from then on.
    const int kept = drawn.toInt();
    for (const int percent : {kept, kept + 1}) {
        view = FakeCheckView();
        ServeManifest(offer + "rollout=" + QByteArray::number(percent) + "\n");
        Start();
        EXPECT_EQ(view.updateControl != nullptr, kept < percent) << percent;
        EXPECT_EQ(bucket(), drawn);
    }
}

}  // namespace
