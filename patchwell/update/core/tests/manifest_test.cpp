#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "manifest.h"

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

TEST(Manifests, ReadsTheRemoteManifestKeys) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("iupdate.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[update]\r\nCURVER = 2.1 \r\ncurverurl=\"http://127.0.0.1/editor-setup.sh\"\r\n"
        "savefileas=editor-setup.sh\r\n[updateprg]\r\ncurver=1.0\r\ncurverurl=http://x/u\r\n");
    file.close();

    const RemoteManifest m = ReadRemoteManifest(dir.path());
    EXPECT_EQ(m.curver, QStringLiteral("2.1"));
    EXPECT_EQ(m.curverurl, QStringLiteral("http://127.0.0.1/editor-setup.sh"));
    EXPECT_EQ(m.savefileas, QStringLiteral("editor-setup.sh"));
    EXPECT_EQ(m.updaterVersion, QStringLiteral("1.0"));
    EXPECT_EQ(m.updaterUrl, QStringLiteral("http://x/u"));

    const RemoteManifest missing = ReadRemoteManifest(dir.filePath(QStringLiteral("nowhere")));
    EXPECT_TRUE(missing.curver.isEmpty());
    EXPECT_TRUE(missing.savefileas.isEmpty());
}

}  // namespace
