#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"

#include "tilebay/platform/system/desktop_folders.h"
#include "tilebay/platform/system/login_name.h"

namespace {

using tilebay::QueryLoginName;
using tilebay::XdgDesktopFolders;

TEST(QueryLoginName, MatchesTheSystemsOwnAnswer) {
    QProcess id;
    id.start(S("id"), {S("-un")});
    ASSERT_TRUE(id.waitForFinished(10000));
    const QString expected = QString::fromLocal8Bit(id.readAllStandardOutput()).trimmed();
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(QueryLoginName(), expected);
    EXPECT_EQ(tilebay::SystemLoginName().LoginName(), expected);
}

// Points HOME and the XDG variables at a temporary folder for one test.
class DesktopFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS"}) {
            saved.emplace_back(name, qgetenv(name));
        }
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", home.filePath(S("config")).toUtf8());
    }
    void TearDown() override {
        for (const auto& [name, value] : saved) {
            qputenv(name, value);
        }
    }
    QTemporaryDir home;
    std::vector<std::pair<const char*, QByteArray>> saved;
    XdgDesktopFolders folders;
};

TEST_F(DesktopFoldersTest, UserDesktopFollowsTheUserDirsFileElseHomeDesktop) {
    const QString me = QueryLoginName();
    EXPECT_EQ(folders.UserDesktop(me), home.filePath(S("Desktop")));
    ASSERT_TRUE(QDir(home.path()).mkpath(S("config")));
    ASSERT_TRUE(QDir(home.path()).mkpath(S("Schreibtisch")));
    QFile dirs(home.filePath(S("config/user-dirs.dirs")));
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    dirs.close();
    EXPECT_EQ(folders.UserDesktop(me), home.filePath(S("Schreibtisch")));
}

TEST_F(DesktopFoldersTest, EmptyOrUnknownLoginNameNamesNoFolder) {
    EXPECT_EQ(folders.UserDesktop(QString()), QString());
    EXPECT_EQ(folders.UserDesktop(S("tilebay-no-such-user-x")), QString());
    // Another user's desktop lies in that user's home folder, as the system
    // database gives it.
    QProcess getent;
    getent.start(S("getent"), {S("passwd"), S("daemon")});
    ASSERT_TRUE(getent.waitForFinished(10000));
    const QStringList fields = QString::fromLocal8Bit(getent.readAllStandardOutput()).split(u':');
    if (fields.size() >= 6 && QueryLoginName() != S("daemon")) {
        EXPECT_EQ(folders.UserDesktop(S("daemon")), fields.at(5) + S("/Desktop"));
    }
}

TEST_F(DesktopFoldersTest, AllUsersDesktopLiesInTheFirstSystemDataFolder) {
    qputenv("XDG_DATA_DIRS", "/opt/a/:/opt/b");
    EXPECT_EQ(folders.AllUsersDesktop(), S("/opt/a/tilebay/Desktop"));
    qputenv("XDG_DATA_DIRS", "relative/x::/opt/c");
    EXPECT_EQ(folders.AllUsersDesktop(), S("/opt/c/tilebay/Desktop"));
    qputenv("XDG_DATA_DIRS", "");
    EXPECT_EQ(folders.AllUsersDesktop(), S("/usr/local/share/tilebay/Desktop"));
    qunsetenv("XDG_DATA_DIRS");
    EXPECT_EQ(folders.AllUsersDesktop(), S("/usr/local/share/tilebay/Desktop"));
}

}  // namespace
