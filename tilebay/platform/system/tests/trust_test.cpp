#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "common/process/private_folder.h"
#include "common/testing/qt_printers.h"
#include "tilebay/platform/system/launcher_trust.h"
#include "tilebay/platform/system/links.h"
#include "tilebay/platform/system/safe_file.h"

namespace {

using namespace tilebay;

constexpr uid_t kMe = 1000;
constexpr uid_t kOther = 1001;

TEST(LauncherOwnershipTest, ExecutableOwnedByUserOrRootAndWritableByNobodyElse) {
    struct Case {
        uid_t owner;
        mode_t mode;
        bool trusted;
    };
    const Case cases[] = {
        {kMe, 0700, true},     {kMe, 0755, true},     {0, 0755, true},
        {kMe, 0711, true},     {kMe, 0666, false},     // no execute bit at all
        {kMe, 0644, false},    {kMe, 0775, false},     // group may write
        {kMe, 0757, false},    {0, 0777, false},       // others may write
        {kOther, 0755, false}, {kOther, 0700, false},  // another user's
        {kMe, 01755, true},    {kMe, 0100, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LauncherOwnershipTrusted(c.owner, S_IFREG | c.mode, kMe), c.trusted)
            << "owner " << c.owner << " mode " << std::oct << c.mode;
    }
}

class TrustFilesTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& content, mode_t mode) {
        const QString path = WriteTestFile(QDir(dir.path()), name, content);
        EXPECT_FALSE(path.isEmpty());
        EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
        return path;
    }
    QString Fifo(const QString& name) {
        const QString path = dir.filePath(name);
        EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(TrustFilesTest, OnlyRegularFilesWithinTheLimitAreReadAndNothingBlocks) {
    const QString small = Write(S("small.png"), "0123456789", 0644);
    const auto read = ReadRegularFile(small, 10);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->bytes, QByteArray("0123456789"));
    EXPECT_EQ(read->owner, ::getuid());
    EXPECT_EQ(read->mode & 0777, 0644u);
    EXPECT_FALSE(ReadRegularFile(small, 9)) << "larger than the limit";
    EXPECT_EQ(ReadFileHead(small, 4).value_or("?"), QByteArray("0123"));

    const QString link = dir.filePath(S("link.png"));
    ASSERT_TRUE(QFile::link(small, link));
    EXPECT_TRUE(ReadRegularFile(link, 10, LinkPolicy::Follow));
    EXPECT_FALSE(ReadRegularFile(link, 10, LinkPolicy::Refuse));

    // A FIFO without a writer, a folder, a device and nothing at all: refused
    // at once.
    QElapsedTimer clock;
    clock.start();
    const QString fifo = Fifo(S("fifo.png"));
    for (const QString& path : {fifo, dir.path(), S("/dev/zero"), dir.filePath(S("gone")), S("")}) {
        EXPECT_FALSE(ReadRegularFile(path, 1 << 20)) << path.toStdString();
        EXPECT_FALSE(ReadFileHead(path, 64)) << path.toStdString();
    }
    EXPECT_LT(clock.elapsed(), 5000);
}

TEST_F(TrustFilesTest, TrustedLaunchersAndLinksToThem) {
    const QByteArray body = "#!/bin/sh\n[Desktop Entry]\nType=Application\nExec=tool --go\n";
    const QString good = Write(S("good.desktop"), body, 0700);
    const auto trusted = ReadTrustedLauncher(good);
    ASSERT_TRUE(trusted);
    EXPECT_EQ(trusted->path, good);
    EXPECT_EQ(trusted->entry.exec, S("tool --go"));

    EXPECT_FALSE(ReadTrustedLauncher(Write(S("plain.desktop"), body, 0600))) << "not executable";
    EXPECT_FALSE(ReadTrustedLauncher(Write(S("open.desktop"), body, 0777))) << "anyone may write";
    EXPECT_FALSE(ReadTrustedLauncher(Write(S("group.desktop"), body, 0770)));
    EXPECT_FALSE(ReadTrustedLauncher(Write(S("nogroup.desktop"), "Exec=x\n", 0700)));
    EXPECT_FALSE(ReadTrustedLauncher(Fifo(S("fifo.desktop"))));
    EXPECT_FALSE(ReadTrustedLauncher(Write(S("script.sh"), body, 0700))) << "no launcher";
    // The same file for another user: trusted only when it is root's.
    EXPECT_EQ(ReadTrustedLauncher(good, ::getuid() + 1).has_value(), ::getuid() == 0);

    // A link (of any name) to a trusted launcher is that launcher.
    const QString link = dir.filePath(S("Tool"));
    ASSERT_TRUE(QFile::link(S("good.desktop"), link));
    const auto viaLink = ReadTrustedLauncher(link);
    ASSERT_TRUE(viaLink);
    EXPECT_EQ(viaLink->path, good);
    EXPECT_EQ(ResolveShortcut(link), S("tool --go"));
    const QString chain = dir.filePath(S("Chain"));
    ASSERT_TRUE(QFile::link(link, chain));
    EXPECT_TRUE(ReadTrustedLauncher(chain));
    const QString toOpen = dir.filePath(S("Open"));
    ASSERT_TRUE(QFile::link(dir.filePath(S("open.desktop")), toOpen));
    EXPECT_FALSE(ReadTrustedLauncher(toOpen));

    if (::getuid() == 0) {
        // Owned by another user: neither the launcher nor a link of theirs.
        const QString foreign = Write(S("foreign.desktop"), body, 0755);
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), kOther, kOther), 0);
        EXPECT_FALSE(ReadTrustedLauncher(foreign));
        ASSERT_EQ(::lchown(QFile::encodeName(link).constData(), kOther, kOther), 0);
        EXPECT_FALSE(ReadTrustedLauncher(link));
    }
}

TEST_F(TrustFilesTest, PrivateFolderIsMadeOrCheckedNeverTakenOver) {
    const QString fresh = dir.filePath(S("fresh"));
    ASSERT_TRUE(common::MakePrivateFolder(fresh).isEmpty());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(fresh).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_TRUE(common::MakePrivateFolder(fresh).isEmpty()) << "the second time finds it";

    const QString loose = dir.filePath(S("loose"));
    ASSERT_EQ(::mkdir(QFile::encodeName(loose).constData(), 0777), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(loose).constData(), 0777), 0);
    EXPECT_TRUE(common::MakePrivateFolder(loose).isEmpty());
    ASSERT_EQ(::stat(QFile::encodeName(loose).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u) << "narrowed";

    const QString link = dir.filePath(S("link"));
    ASSERT_TRUE(QFile::link(fresh, link));
    EXPECT_FALSE(common::MakePrivateFolder(link).isEmpty());
    EXPECT_FALSE(common::MakePrivateFolder(Write(S("file"), "x", 0600)).isEmpty());
    EXPECT_FALSE(common::MakePrivateFolder(fresh, {::getuid() + 1}).isEmpty())
        << "another user's folder";
    EXPECT_FALSE(common::MakePrivateFolder(dir.filePath(S("no/such/parent"))).isEmpty());
    EXPECT_FALSE(common::MakePrivateFolder(QString()).isEmpty());
}

}  // namespace

TEST_F(TrustFilesTest, LinksResolveWithinTheKernelsLimitAndLoopsAreBroken) {
    const QString file = Write(S("file"), "x", 0644);
    const QString real = QFileInfo(file).canonicalFilePath();
    const auto link = [&](const QString& target, const QString& name) {
        EXPECT_TRUE(QFile::link(target, dir.filePath(name))) << name.toStdString();
        return dir.filePath(name);
    };
    // A chain of exactly the limit resolves; one more link is a loop to us.
    QString previous = S("file");
    for (int i = 1; i <= kMaxLinkHops + 1; ++i) {
        previous = link(QFileInfo(previous).fileName(), S("hop%1").arg(i));
    }
    struct Case {
        QString path;
        QString target;
    };
    const Case cases[] = {
        {file, real},
        {dir.filePath(S("hop%1").arg(kMaxLinkHops)), real},
        {dir.filePath(S("hop%1").arg(kMaxLinkHops + 1)), QString()},
        {link(S("self"), S("self")), QString()},  // ln -s self self
        {link(S("pong"), S("ping")), QString()},  // ping <-> pong
        {link(S("ping"), S("pong")), QString()},
        {link(S("self/x"), S("through")), QString()},  // a loop as a folder
        {link(S("gone"), S("dangling")), QString()},
        {link(S("../") + QFileInfo(dir.path()).fileName() + S("/file"), S("up")), real},
        {QString(), QString()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FinalTarget(c.path), c.target) << c.path.toStdString();
    }
}

// Programs and scripts, and links to them, are started only under the
// launcher rule; in a shared sticky folder another user's script or link is
// refused.
TEST_F(TrustFilesTest, ProgramsAndLinksToThemPassTheLauncherRule) {
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 01777), 0);
    const QString mine = Write(S("mine.sh"), "#!/bin/sh\n", 0755);
    const QString shared = Write(S("shared.sh"), "#!/bin/sh\n", 0775);
    const QString link = dir.filePath(S("to-mine"));
    ASSERT_TRUE(QFile::link(mine, link));
    EXPECT_TRUE(WouldBeExecuted(link) && WouldBeExecuted(shared));
    EXPECT_FALSE(WouldBeExecuted(Write(S("notes.txt"), "text", 0644)) ||
                 WouldBeExecuted(dir.path()));
    const auto opened = TrustedProgram(link);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->path, QFileInfo(mine).canonicalFilePath());
    EXPECT_GE(opened->file.get(), 0);
    EXPECT_FALSE(TrustedProgram(shared)) << "the group may write";
    if (::getuid() != 0) {
        return;
    }
    // Another user's script, my link to it, their link to my script, and a
    // chain with their link in the middle: none is trusted.
    const QString foreign = Write(S("foreign.sh"), "#!/bin/sh\n", 0755);
    ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), kOther, kOther), 0);
    const QString toForeign = dir.filePath(S("to-foreign"));
    ASSERT_TRUE(QFile::link(foreign, toForeign));
    const QString theirs = dir.filePath(S("their-link"));
    ASSERT_TRUE(QFile::link(mine, theirs));
    ASSERT_EQ(::lchown(QFile::encodeName(theirs).constData(), kOther, kOther), 0);
    const QString chain = dir.filePath(S("chain"));
    ASSERT_TRUE(QFile::link(theirs, chain));
    for (const QString& path : {foreign, toForeign, theirs, chain}) {
        EXPECT_TRUE(WouldBeExecuted(path)) << path.toStdString();
        EXPECT_FALSE(TrustedProgram(path)) << path.toStdString();
    }
    // The same holds for a launcher reached through their link.
    const QString launcher = Write(S("tool.desktop"), "[Desktop Entry]\nExec=x\n", 0755);
    const QString toLauncher = dir.filePath(S("to-launcher"));
    ASSERT_TRUE(QFile::link(launcher, toLauncher));
    const QString launcherChain = dir.filePath(S("launcher-chain"));
    ASSERT_TRUE(QFile::link(toLauncher, launcherChain));
    EXPECT_TRUE(ReadTrustedLauncher(launcherChain));
    ASSERT_EQ(::lchown(QFile::encodeName(toLauncher).constData(), kOther, kOther), 0);
    EXPECT_FALSE(ReadTrustedLauncher(launcherChain)) << "their link in the middle";
}
