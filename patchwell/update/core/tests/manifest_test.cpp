#include <gtest/gtest.h>

#include <vector>

#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/manifest/version_order.h"
#include "patchwell/update/core/refusal.h"

namespace {

using namespace patchwell::update;

TEST(VersionComparison, OnlyIdenticalTextsAreUpToDate) {
    EXPECT_TRUE(IsUpToDate(QStringLiteral("2.0"), QStringLiteral("2.0")));
    EXPECT_TRUE(IsUpToDate(QString(), QString()));
    // Any difference offers the update, whichever is newer.
    EXPECT_FALSE(IsUpToDate(QStringLiteral("1.0"), QStringLiteral("1.00")));
    EXPECT_FALSE(IsUpToDate(QStringLiteral("1.0"), QStringLiteral("1.0a")));
    EXPECT_FALSE(IsUpToDate(QStringLiteral("2.1"), QStringLiteral("2.0")));
    EXPECT_FALSE(IsUpToDate(QStringLiteral("2.0a"), QStringLiteral("2.0A")));
    EXPECT_FALSE(IsUpToDate(QStringLiteral("2.0"), QStringLiteral("2.0 ")));
    EXPECT_FALSE(IsUpToDate(QStringLiteral("2.0"), QString()));
}

TEST(SaveNameValidation, AcceptsNamesInsideTheProgramFolder) {
    for (const char* name : {"editor-setup.sh", "setup", "sub/setup.sh", "sub\\setup.sh",
                             "..setup.sh", "setup..sh", "./setup.sh", "a b/c d.run"}) {
        EXPECT_TRUE(IsSafeSaveName(QString::fromUtf8(name))) << name;
    }
}

TEST(SaveNameValidation, RefusesEmptyAbsoluteAndParentNames) {
    for (const char* name : {"", " ", "/tmp/x", "\\tmp\\x", "..", "../x", "..\\x", "a/../../x",
                             "a\\..\\..\\x", "a/..", "sub/", "sub\\"}) {
        EXPECT_FALSE(IsSafeSaveName(QString::fromUtf8(name))) << name;
    }
    EXPECT_FALSE(IsSafeSaveName(QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b")));
}

TEST(Manifests, PathsAreTheProgramFolderFollowedByTheFixedText) {
    EXPECT_EQ(LocalManifestPath(QStringLiteral("/opt/app")), QStringLiteral("/opt/app/update.ini"));
    EXPECT_EQ(RemoteManifestPath(QStringLiteral("/opt/app/")),
              QStringLiteral("/opt/app//iupdate.ini"));
    EXPECT_EQ(InProgramFolder(QStringLiteral("/opt/my app"), QStringLiteral("setup.sh")),
              QStringLiteral("/opt/my app/setup.sh"));
}

TEST(Manifests, ParsesTheRemoteManifestFromItsBytes) {
    const RemoteManifest m = ParseRemoteManifest(
        "[update]\r\nCURVER = 2.1 \r\ncurverurl=\"http://127.0.0.1/editor-setup.sh\"\r\n"
        "savefileas=editor-setup.sh\r\ncurversize=42\r\nCurverSha256=ab\r\n"
        "manifesturl=http://127.0.0.1/iupdate.ini\r\nexpires=2030-01-01T00:00:00Z\r\n"
        "nextpublickey=RWQnext\r\nrollout=25\r\ncurvernotes=http://x/n.txt\r\n"
        "curvernotessha256=cd\r\n[updateprg]\r\ncurver=1.0\r\ncurverurl=http://x/u\r\n"
        "[Update]\r\ncurver=9.9\r\n");
    EXPECT_EQ(m.curver, QStringLiteral("2.1"));  // the first section decides
    EXPECT_EQ(m.curverurl, QStringLiteral("http://127.0.0.1/editor-setup.sh"));
    EXPECT_EQ(m.savefileas, QStringLiteral("editor-setup.sh"));
    EXPECT_EQ(m.updaterVersion, QStringLiteral("1.0"));
    EXPECT_EQ(m.updaterUrl, QStringLiteral("http://x/u"));
    EXPECT_EQ(m.curversize, QStringLiteral("42"));
    EXPECT_EQ(m.curversha256, QStringLiteral("ab"));
    EXPECT_EQ(m.manifesturl, QStringLiteral("http://127.0.0.1/iupdate.ini"));
    EXPECT_EQ(m.expires, QStringLiteral("2030-01-01T00:00:00Z"));
    EXPECT_EQ(m.nextpublickey, QStringLiteral("RWQnext"));
    EXPECT_EQ(m.rollout, QStringLiteral("25"));
    EXPECT_EQ(m.curvernotes, QStringLiteral("http://x/n.txt"));
    EXPECT_EQ(m.curvernotessha256, QStringLiteral("cd"));

    const RemoteManifest empty = ParseRemoteManifest(QByteArray());
    EXPECT_TRUE(empty.curver.isEmpty());
    EXPECT_TRUE(empty.savefileas.isEmpty());
    EXPECT_TRUE(empty.curversize.isEmpty());
}

TEST(VersionOrder, DottedNumbersThenText) {
    struct Case {
        const char* a;
        const char* b;
        int order;
    };
    for (const Case& c : std::vector<Case>{{"1.5", "2.0", -1},
                                           {"1.10", "1.9", 1},
                                           {"2", "2.0.0", 0},
                                           {"007.1", "7.1", 0},
                                           {"1.0", "1.0.1", -1},
                                           {"99999999999999999999", "9", 1},
                                           {"2.0", "2.0a", -1},
                                           {"2.0b", "2.0a", 1},
                                           // A pre-release before its release
                                           // (a replayed beta never takes 2.0 back).
                                           {"2.0-beta", "2.0", -1},
                                           {"2.0~rc1", "2.0", -1},
                                           {"2.0-rc1", "2.0~rc1", 0},
                                           {"2.0-rc1", "1.9", 1},
                                           {"2.0-beta", "2.0-rc", -1},
                                           {"2.0-rc10", "2.0-rc9", 1},
                                           {"2.0-beta", "2.0a", -1},
                                           {"", "0.1", -1},
                                           {"beta", "alpha", 1},
                                           {"1.2.x", "1.2.x", 0}}) {
        const auto sign = [](int v) { return (v > 0) - (v < 0); };
        EXPECT_EQ(sign(CompareVersions(QString::fromLatin1(c.a), QString::fromLatin1(c.b))),
                  c.order)
            << c.a << " vs " << c.b;
        EXPECT_EQ(sign(CompareVersions(QString::fromLatin1(c.b), QString::fromLatin1(c.a))),
                  -c.order)
            << c.b << " vs " << c.a;
    }
    // Only a signed manifest is held to the order, and allowdowngrade=1
    // lets the publisher roll back.
    VerifiedManifest m;
    m.values.curver = QStringLiteral("1.5");
    EXPECT_EQ(DowngradeRefusal(m, QStringLiteral("2.0")), std::nullopt);
    m.keyed = true;
    EXPECT_EQ(DowngradeRefusal(m, QStringLiteral("2.0")),
              (Refusal{RefusalKind::Downgrade, {QStringLiteral("1.5"), QStringLiteral("2.0")}}));
    EXPECT_EQ(DowngradeRefusal(m, QStringLiteral("1.4.9")), std::nullopt);
    m.values.allowdowngrade = QStringLiteral("1");
    EXPECT_EQ(DowngradeRefusal(m, QStringLiteral("2.0")), std::nullopt);
}

}  // namespace
