#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "common/ini/ini.h"
#include "patchwell/update/core/check/schedule.h"
#include "patchwell/update/core/manifest/cache.h"
#include "patchwell/update/core/manifest/channel.h"
#include "patchwell/update/core/testing/test_folder.h"

namespace {

using namespace patchwell::update;

QString Key(const QString& ini, const char* key) {
    return common::ReadIniValue(QStringLiteral("Update"), QString::fromLatin1(key), ini);
}

const QDateTime kNow(QDate(2026, 12, 8), QTime(12, 0), QTimeZone::utc());

// update.ini's [Update] lines, the command line, then what the start does.
TEST(CheckSchedule, KeysAndOptionsDecideWhetherAndHowQuietlyToCheck) {
    struct Case {
        const char* lines;
        CheckRequest request;
        bool quiet;
        int limitSeconds;
        CheckSkip skip;
    };
    const CheckRequest none;
    const CheckRequest quiet{true, false, std::nullopt};
    const CheckRequest check{false, true, std::nullopt};
    const Case cases[] = {
        {"", none, false, 0, CheckSkip::None},
        {"", quiet, true, 10, CheckSkip::None},
        {"quiet=1\ncheckseconds=2\n", none, true, 2, CheckSkip::None},
        {"checkseconds=300\n", none, false, 300, CheckSkip::None},
        // Malformed or out of range: as if absent.
        {"quiet=yes\ncheckseconds=0\n", none, false, 0, CheckSkip::None},
        {"quiet=1\ncheckseconds=301\n", none, true, 10, CheckSkip::None},  // quiet's default
        {"checkseconds=-5\n", none, false, 0, CheckSkip::None},
        {"checkseconds=2.5\n", none, false, 0, CheckSkip::None},
        // Within checkhours of the last check: no request; --check checks
        // (and is never quiet).
        {"checkhours=24\nlastcheck=2026-12-08T01:00:00Z\n", none, false, 0, CheckSkip::Schedule},
        {"quiet=1\ncheckhours=24\nlastcheck=2026-12-08T01:00:00Z\n", check, false, 10,
         CheckSkip::None},
        {"checkhours=1\nlastcheck=2026-12-08T11:00:00Z\n", none, false, 0, CheckSkip::None},
        {"checkhours=8760\nlastcheck=2026-01-01T00:00:00Z\n", none, false, 0, CheckSkip::Schedule},
        {"checkhours=8761\nlastcheck=2026-12-08T11:00:00Z\n", none, false, 0, CheckSkip::None},
        {"checkhours=0\nlastcheck=2026-12-08T11:00:00Z\n", none, false, 0, CheckSkip::None},
        // A last check in the future (the clock went back) or malformed.
        {"checkhours=24\nlastcheck=2026-12-09T01:00:00Z\n", none, false, 0, CheckSkip::None},
        {"checkhours=24\nlastcheck=2026-12-08 01:00:00\n", none, false, 0, CheckSkip::None},
        {"checkhours=24\nlastcheck=2026-13-08T01:00:00Z\n", none, false, 0, CheckSkip::None},
        // The server's wish holds for the starts nobody asked for (a quiet
        // start in cases_quiet.sh, case_cache), never against --check; one
        // further ahead than a day is not a wish, such as the week an
        // earlier version honoured.
        {"notbefore=2026-12-08T13:00:00Z\n", none, false, 0, CheckSkip::Server},
        {"notbefore=2026-12-09T12:00:00Z\n", none, false, 0, CheckSkip::Server},
        {"notbefore=2026-12-08T13:00:00Z\n", check, false, 0, CheckSkip::None},
        {"notbefore=2026-12-08T11:59:59Z\n", none, false, 0, CheckSkip::None},
        {"notbefore=2026-12-09T12:00:01Z\n", none, false, 0, CheckSkip::None},
        {"notbefore=2026-12-15T12:00:00Z\n", none, false, 0, CheckSkip::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        TestFolder app;
        app.Write(QStringLiteral("update.ini"), QByteArray("[Update]\n") + c.lines);
        const CheckSettings settings = ReadCheckSettings(app.folder, c.request);
        EXPECT_EQ(settings.quiet, c.quiet);
        EXPECT_EQ(settings.limit, std::chrono::seconds(c.limitSeconds));
        EXPECT_EQ(SkipFor(settings, kNow), c.skip);
    }
}

TEST(CheckSchedule, ACompletedCheckIsRecordedAndTheServerWishDropped) {
    TestFolder app;
    const QString ini = app.Path(QStringLiteral("update.ini"));
    app.Write(QStringLiteral("update.ini"), "[Update]\nchannel=../x\n");
    const CheckRequest none;
    // No schedule asked for: update.ini stays as the installer wrote it.
    EXPECT_TRUE(RecordCompletedCheck(app.folder, ReadCheckSettings(app.folder, none), kNow));
    EXPECT_EQ(Key(ini, "lastcheck"), QString());
    EXPECT_EQ(ConfiguredChannel(app.folder), QString());  // not a name

    app.Write(QStringLiteral("update.ini"),
              "[Update]\ncheckhours=6\nnotbefore=2026-12-08T13:00:00Z\n");
    EXPECT_TRUE(RecordCompletedCheck(app.folder, ReadCheckSettings(app.folder, none), kNow));
    EXPECT_EQ(Key(ini, "lastcheck"), QStringLiteral("2026-12-08T12:00:00Z"));
    EXPECT_EQ(Key(ini, "notbefore"), QString());
    EXPECT_EQ(SkipFor(ReadCheckSettings(app.folder, none), kNow.addSecs(5 * 3600)),
              CheckSkip::Schedule);
    // A server's wait of a week holds the automatic checks back for a day.
    EXPECT_TRUE(RecordNotBefore(app.folder, kNow, 7 * 24 * 3600));
    EXPECT_EQ(Key(ini, "notbefore"), QStringLiteral("2026-12-09T12:00:00Z"));
}

TEST(ManifestCache, KeepsWholeEntriesInPrivateFoldersOnly) {
    TestFolder app;
    QTemporaryDir home;
    const QString root = home.filePath(QStringLiteral("cache/patchwell"));
    const QString url = QStringLiteral("http://example.org/iupdate.ini");
    const ManifestCache cache(root, url, app.folder);
    const CachedManifest entry{QByteArray("[Update]\ncurver=2.0\n"),
                               QByteArray("sig"),
                               {QStringLiteral("\"5f-a\""), QStringLiteral("Tue, 08 Dec 2026")}};
    ASSERT_TRUE(cache.Store(entry));
    const auto loaded = cache.Load();
    ASSERT_TRUE(loaded.has_value());
    // The manifest, signature and quoted ETag coming back whole make the
    // 304 in cases_quiet.sh, case_cache.
    EXPECT_EQ(loaded->validators.lastModified, entry.validators.lastModified);
    // Another address has a folder of its own.
    EXPECT_FALSE(ManifestCache(root, url + QStringLiteral("x"), app.folder).Load().has_value());

    // Changed bytes, a folder opened to others (put right) or replaced by a
    // link, and a cache in the program folder.
    const QString manifest = cache.Folder() + QStringLiteral("/manifest");
    QFile::remove(manifest);
    QFile tampered(manifest);
    ASSERT_TRUE(tampered.open(QIODevice::WriteOnly));
    tampered.write(QByteArray("[Update]\ncurver=9.0\n"));
    tampered.close();
    EXPECT_FALSE(cache.Load().has_value());
    ASSERT_TRUE(cache.Store(entry));
    ::chmod(QFile::encodeName(cache.Folder()).constData(), 0777);
    EXPECT_TRUE(cache.Load().has_value());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(cache.Folder()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    const QString moved = cache.Folder() + QStringLiteral(".real");
    ASSERT_TRUE(QDir().rename(cache.Folder(), moved));
    ASSERT_TRUE(QFile::link(moved, cache.Folder()));
    EXPECT_FALSE(cache.Load().has_value());
    EXPECT_FALSE(cache.Store(entry));
    const ManifestCache inside(app.Path(QStringLiteral("cache/patchwell")), url, app.folder);
    EXPECT_FALSE(inside.Store(entry));
    EXPECT_FALSE(QFile::exists(app.Path(QStringLiteral("cache"))));
    cache.Drop();
}

}  // namespace

TEST(ManifestChannel, AChannelTakesTheWholeUpdateFromItsSectionWhereItHasOne) {
    const QByteArray manifest(
        "[Update]\ncurver=1.0\ncurverurl=http://h/1.sh\nsavefileas=1.sh\ncurversize=3\n"
        "manifesturl=http://h/iupdate.ini\nexpires=2027-01-01T00:00:00Z\nrollout=100\n"
        "allowdowngrade=1\n"
        "[Update.beta]\ncurver=2.0b\ncurverurl=http://h/b.sh\nsavefileas=b.sh\nrollout=10\n"
        "manifesturl=http://elsewhere/\n[update.Nightly]\ncurver=3.0n\n"
        "[Update.empty]\ncurverurl=http://h/e.sh\n[Update.back]\ncurver=0.9\nallowdowngrade=1\n");
    struct Case {
        const char* channel;
        const char* curver;
        const char* curverurl;
        const char* curversize;
        const char* rollout;
        const char* allowdowngrade;  // the main line's rollback is not the channel's
    };
    const Case cases[] = {
        // No channel at all: cases_quiet.sh, case_channel.
        {"beta", "2.0b", "http://h/b.sh", "", "10", ""},     // nothing of [Update]'s installer
        {"nightly", "3.0n", "", "", "", ""},                 // section names in any case
        {"gamma", "1.0", "http://h/1.sh", "3", "100", "1"},  // no such section
        {"empty", "1.0", "http://h/1.sh", "3", "100", "1"},  // no version: not a channel
        {"back", "0.9", "", "", "", "1"},                    // a channel's own rollback
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channel);
        const RemoteManifest m = ParseChannelManifest(manifest, QString::fromLatin1(c.channel));
        EXPECT_EQ(m.curver, QString::fromLatin1(c.curver));
        EXPECT_EQ(m.curverurl, QString::fromLatin1(c.curverurl));
        EXPECT_EQ(m.curversize, QString::fromLatin1(c.curversize));
        EXPECT_EQ(m.rollout, QString::fromLatin1(c.rollout));
        EXPECT_EQ(m.allowdowngrade, QString::fromLatin1(c.allowdowngrade));
        // What the signature binds the manifest to stays in [Update].
        EXPECT_EQ(m.manifesturl, QStringLiteral("http://h/iupdate.ini"));
        EXPECT_EQ(m.expires, QStringLiteral("2027-01-01T00:00:00Z"));
    }
}
