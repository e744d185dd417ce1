// Updates downloaded in the background and installed at the next start
// (autoupdate=1): the start's decision, and the staged files checked again
// before anything of them runs.

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/files/whole_file.h"
#include "common/ini/ini.h"
#include "patchwell/signing/testing/minisign_tool.h"
#include "patchwell/update/core/check/front_start.h"
#include "patchwell/update/core/check/windowless_start.h"
#include "patchwell/update/core/manifest/trust_state.h"
#include "patchwell/update/core/staged/staged_update.h"
#include "patchwell/update/core/testing/releases.h"
#include "patchwell/update/core/testing/test_folder.h"

namespace {

using namespace patchwell::update;
namespace minisign = patchwell::signing::testing;

const QString kCheckUrl = QStringLiteral("http://h/iupdate.ini");
const QByteArray kInstaller = "#!/bin/sh\necho installing 2.0\n";

class Cost : public patchwell::platform::NetworkCost {
public:
    bool Metered() override { return metered; }
    bool metered = false;
};

TEST(StagedPlan, TheStartAndTheOfferDecidedFromTheSettings) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QByteArray recent =
        "checkhours=24\nlastcheck=" + common::IniUtcText(now.addSecs(-60)).toLatin1() + "\n";
    VerifiedManifest bound;
    bound.values.curver = QStringLiteral("2.0");
    bound.installerSize = 10;
    VerifiedManifest unbound = bound;
    unbound.installerSize.reset();
    struct Case {
        const char* name;
        QByteArray keys;
        bool checkNow;
        bool staged;
        StartPlan plan;
        // The offer of `manifest` to an installation of 1.0.
        const VerifiedManifest* manifest;
        const char* installed;
        bool metered;
        OfferPlan offer;
    };
    const Case cases[] = {
        {"without the key a staged file means nothing", "", false, true, StartPlan::CheckInWindows,
         &bound, "1.0", false, OfferPlan::OfferInWindows},
        {"autoupdate=0", "autoupdate=0\n", false, true, StartPlan::CheckInWindows, &bound, "1.0",
         false, OfferPlan::OfferInWindows},
        {"staged", "autoupdate=1\n", false, true, StartPlan::InstallStaged, &bound, "1.0", false,
         OfferPlan::StageInBackground},
        {"staged within checkhours", "autoupdate=1\n" + recent, false, true,
         StartPlan::InstallStaged, &bound, "1.0", false, OfferPlan::StageInBackground},
        {"within checkhours", "autoupdate=1\n" + recent, false, false, StartPlan::StartServed,
         &bound, "1.0", false, OfferPlan::StageInBackground},
        {"quiet with nothing staged", "autoupdate=1\n", false, false, StartPlan::CheckQuietly,
         &bound, "1.0", false, OfferPlan::StageInBackground},
        {"metered", "autoupdate=1\n", false, false, StartPlan::CheckQuietly, &bound, "1.0", true,
         OfferPlan::OfferInWindows},
        {"no installer bound", "autoupdate=1\n", false, false, StartPlan::CheckQuietly, &unbound,
         "1.0", false, OfferPlan::OfferInWindows},
        {"the same version", "autoupdate=1\n", false, false, StartPlan::CheckQuietly, &bound, "2.0",
         false, OfferPlan::OfferInWindows},
        {"a rollback", "autoupdate=1\n", false, false, StartPlan::CheckQuietly, &bound, "2.1",
         false, OfferPlan::OfferInWindows},
        {"--check shows the offer", "autoupdate=1\n", true, true, StartPlan::CheckInWindows, &bound,
         "1.0", false, OfferPlan::OfferInWindows},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CheckRequest request;
        request.checkNow = c.checkNow;
        const CheckSettings settings =
            ReadCheckSettings(common::IniSnapshot::FromBytes("[Update]\n" + c.keys), request);
        EXPECT_EQ(PlanStart(settings, now, c.staged), c.plan);
        EXPECT_EQ(PlanOffer(settings, *c.manifest, QString::fromLatin1(c.installed), c.metered),
                  c.offer);
    }
}

class StagedUpdateTest : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(keys.isValid() && cache.isValid());
        ours = minisign::MakeKey(keys.path(), QStringLiteral("ours"));
        theirs = minisign::MakeKey(keys.path(), QStringLiteral("theirs"));
        ASSERT_FALSE(ours.publicKeyLine.isEmpty() || theirs.publicKeyLine.isEmpty());
        WriteIni("1.0");
        manifest = Offer("2.0");
        signedAt = Publish(manifest, ours);
        ASSERT_GT(signedAt, 0);
        app.Svc().executablePath = app.Path(QStringLiteral("patchwell"));
    }

    void WriteIni(const char* version, const QByteArray& more = {}) {
        app.Write(QStringLiteral("update.ini"),
                  QByteArray("[Program]\nPrgname=Editor\nexe=editor.sh\nprgver=") + version +
                      "\n[Update]\nverchckurl=" + kCheckUrl.toLatin1() +
                      "\nautoupdate=1\npublickey=" + ours.publicKeyLine.toLatin1() + "\n" + more);
    }
    static QByteArray Offer(const char* version) {
        return QByteArray("[Update]\ncurver=") + version +
               "\ncurverurl=http://h/setup.sh\nsavefileas=setup.sh\nmanifesturl=" +
               kCheckUrl.toLatin1() + "\ncurversize=" + QByteArray::number(kInstaller.size()) +
               "\ncurversha256=" +
               QCryptographicHash::hash(kInstaller, QCryptographicHash::Sha256).toHex() + "\n";
    }
    // Signs and serves `bytes` as the manifest; the signing time.
    long long Publish(const QByteArray& bytes, const minisign::MinisignKey& key) {
        const QString file = keys.filePath(QStringLiteral("iupdate.ini"));
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
        out.close();
        EXPECT_TRUE(minisign::Sign(key, file));
        QFile sig(file + QStringLiteral(".minisig"));
        EXPECT_TRUE(sig.open(QIODevice::ReadOnly));
        const QByteArray signature = sig.readAll();
        app.fetcher.bodies[kCheckUrl] = bytes;
        app.fetcher.bodies[SignatureAddress(kCheckUrl)] = signature;
        const int at = signature.indexOf("timestamp:");
        return at < 0 ? -1 : signature.mid(at + 10, 10).toLongLong();
    }

    WindowlessStart Start() {
        app.launcher.starts.clear();
        app.fetcher.requests.clear();
        ScheduledCheck scheduled(app.fetcher, {}, cache.path(), &cost);
        return StartWithoutWindows(app.Svc(), scheduled);
    }
    StagedUpdates Staged() { return StagedUpdates({app.StateFolder()}, app.folder); }
    bool Present() { return StagedUpdates::InstallerPresent(app.StateFolder(), app.folder); }
    QString StagedFile(const char* name) {
        return QDir(Staged().Folder()).filePath(QString::fromLatin1(name));
    }
    // What the background download ends with.
    bool StageInstaller(const QByteArray& bytes) {
        const int fd = test_installers::MemoryFileWith(bytes);
        const std::optional<StagedUpdates::KeptManifest> kept = Staged().Manifest();
        const bool staged = kept && Staged().StageInstaller(fd, kept->bytes);
        ::close(fd);
        return staged;
    }
    // `name` of the program folder started detached there with `arguments`.
    bool Started(const char* name, const QStringList& arguments = {}) const {
        for (const auto& start : app.launcher.starts) {
            if (start.program == app.Path(QString::fromLatin1(name)) &&
                start.arguments == arguments && !start.waited &&
                start.workingFolder == app.folder) {
                return true;
            }
        }
        return false;
    }
    bool StartedInBackground() const { return Started("patchwell", {QStringLiteral("--stage")}); }

    TestFolder app;
    QTemporaryDir keys;
    QTemporaryDir cache;
    Cost cost;
    minisign::MinisignKey ours;
    minisign::MinisignKey theirs;
    QByteArray manifest;
    long long signedAt = 0;
};

TEST_F(StagedUpdateTest, FoundInTheBackgroundAndInstalledAtTheNextStartWithoutARequest) {
    // Metered: offered in the windows as without autoupdate.
    cost.metered = true;
    WindowlessStart first = Start();
    EXPECT_FALSE(first.over);
    ASSERT_TRUE(first.checked.has_value());
    EXPECT_FALSE(first.checked->refusal.has_value());
    EXPECT_FALSE(StartedInBackground());
    cost.metered = false;

    // The served program at once, the download detached, nothing shown.
    WindowlessStart found = Start();
    EXPECT_TRUE(found.over);
    EXPECT_TRUE(Started("editor.sh"));
    EXPECT_TRUE(StartedInBackground());
    EXPECT_TRUE(app.messages.shown.empty());
    EXPECT_FALSE(app.Exists(QStringLiteral("iupdate.ini")));
    ASSERT_TRUE(Staged().Manifest().has_value());
    EXPECT_EQ(Staged().Manifest()->bytes, manifest);
    EXPECT_FALSE(Present());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(Staged().Folder()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(QFile::encodeName(StagedFile("manifest")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // The download's end; the front sees it by the file alone and hands over,
    // also within checkhours.
    ASSERT_TRUE(StageInstaller(kInstaller));
    EXPECT_TRUE(Present());
    WriteIni("1.0", "checkhours=24\nlastcheck=" +
                        common::IniUtcText(QDateTime::currentDateTimeUtc()).toLatin1() + "\n");
    qputenv("XDG_STATE_HOME", QFileInfo(app.StateFolder()).path().toLocal8Bit());
    patchwell::platform::FakeInstanceGuard guard;
    EXPECT_FALSE(StartWithinSchedule(guard, app.storage, app.launcher, app.folder,
                                     QDateTime::currentDateTimeUtc()));
    qunsetenv("XDG_STATE_HOME");

    WindowlessStart next = Start();
    EXPECT_FALSE(next.over);
    ASSERT_TRUE(next.staged.has_value());
    ASSERT_TRUE(next.staged->copy && next.staged->copy->valid());
    QByteArray sealed;
    common::ReadEachBlock(next.staged->copy->fd(), 4096,
                          [&](QByteArrayView block) { sealed.append(block); });
    EXPECT_EQ(sealed, kInstaller);
    EXPECT_EQ(next.staged->manifest.values.curver, QStringLiteral("2.0"));
    EXPECT_TRUE(app.fetcher.requests.isEmpty());
    EXPECT_TRUE(app.launcher.starts.empty());
    // Nothing stays to be tried again, whatever the installer does.
    EXPECT_FALSE(Present());
    EXPECT_TRUE(QDir(Staged().Folder()).isEmpty(QDir::Files | QDir::Hidden | QDir::System));
}

TEST_F(StagedUpdateTest, AStagedUpdateThatFailsACheckIsDeletedAndTheStartChecksAsUsual) {
    struct Case {
        const char* name;
        std::function<void(StagedUpdateTest&)> spoil;
        bool stagedAgain;  // the check that follows finds the update once more
    };
    const Case cases[] = {
        {"the installer changed",
         [](StagedUpdateTest& t) {
             QByteArray other = kInstaller;
             other[other.size() - 2] = '!';
             QFile file(t.StagedFile("installer"));
             ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
             file.write(other);
         },
         true},
        {"the installer open to others",
         [](StagedUpdateTest& t) {
             ASSERT_EQ(::chmod(QFile::encodeName(t.StagedFile("installer")).constData(), 0644), 0);
         },
         true},
        {"the manifest changed",
         [](StagedUpdateTest& t) {
             QFile file(t.StagedFile("manifest"));
             ASSERT_TRUE(file.open(QIODevice::Append));
             file.write("curvermirrors=http://elsewhere/setup.sh\n");
         },
         true},
        {"the key rotated meanwhile",
         [](StagedUpdateTest& t) {
             ASSERT_TRUE(SaveTrustState({t.app.StateFolder()}, t.app.folder, kCheckUrl,
                                        {t.theirs.publicKeyLine, {}, {}, {t.ours.publicKeyLine}}));
         },
         false},
        {"a newer manifest accepted meanwhile",
         [](StagedUpdateTest& t) {
             ASSERT_TRUE(
                 SaveTrustState({t.app.StateFolder()}, t.app.folder, kCheckUrl,
                                {t.ours.publicKeyLine, {}, QString::number(t.signedAt + 60), {}}));
         },
         false},
        {"a later start kept a newer manifest",
         [](StagedUpdateTest& t) {
             ASSERT_TRUE(t.Staged().KeepManifest(Offer("2.1"), QByteArray("sig")));
         },
         true},
        {"that version installed meanwhile", [](StagedUpdateTest& t) { t.WriteIni("2.0"); }, false},
        {"a newer version installed meanwhile", [](StagedUpdateTest& t) { t.WriteIni("3.0"); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A fresh installation each time: no signing state, nothing staged.
        QDir(app.StateFolder()).removeRecursively();
        WriteIni("1.0");
        ASSERT_TRUE(Start().over);
        ASSERT_TRUE(StageInstaller(kInstaller));
        c.spoil(*this);
        const WindowlessStart next = Start();
        EXPECT_FALSE(next.staged.has_value());
        // No staged bytes run, and the start went on as a quiet check.
        for (const auto& start : app.launcher.starts) {
            EXPECT_FALSE(start.program.startsWith(QStringLiteral("fd:")));
        }
        EXPECT_EQ(app.fetcher.requests.value(0), kCheckUrl);
        EXPECT_FALSE(Present());
        EXPECT_EQ(StartedInBackground(), c.stagedAgain);
        if (!c.stagedAgain) {
            EXPECT_FALSE(Staged().Manifest().has_value());
        }
    }
}

}  // namespace
