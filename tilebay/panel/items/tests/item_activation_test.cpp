#include "tilebay/panel/items/item_activation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"
#include "tilebay/platform/system/launcher_trust.h"
#include "tilebay/platform/system/shortcut.h"
#include "tilebay/platform/system/testing/fake_system.h"

namespace {

using namespace tilebay;
using tilebay::testing::FakeDesktopFolders;
using tilebay::testing::FakeLoginName;
using tilebay::testing::FakeRunService;

class OpenItemTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(dir.path()).mkpath(S("user"));
        QDir(dir.path()).mkpath(S("all"));
    }
    QString Write(const QString& relative, const QByteArray& content = {}) {
        const QString path = dir.filePath(relative);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }
    // A double-click on the row `row` collected from `folder` (the user's
    // desktop unless given).
    void Open(std::optional<QString> row, std::optional<QString> folder = std::nullopt) {
        OpenItem(
            [&]() -> std::optional<RowEntry> {
                ++rowReads;
                if (!row) {
                    return std::nullopt;
                }
                return RowEntry{*row, folder.value_or(dir.filePath(S("user")))};
            },
            services);
    }
    QString AllFolder() const { return dir.filePath(S("all")); }
    // A launcher marked trusted (executable).
    QString Launcher(const QString& relative, const QByteArray& content) {
        const QString path = Write(relative, content);
        EXPECT_TRUE(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        return path;
    }
    QString User(const char* name) const { return dir.filePath(S("user/") + S(name)); }
    QString All(const char* name) const { return dir.filePath(S("all/") + S(name)); }

    QTemporaryDir dir;
    FakeLoginName login{S("alice")};
    FakeDesktopFolders folders{dir.filePath(S("user")), dir.filePath(S("all"))};
    FakeRunService run;
    QStringList told;
    ActivationServices services{login, folders, run,
                                [this](const QString& text) { told.append(text); }};
    int rowReads = 0;
};

TEST_F(OpenItemTest, EachRowStartsOnlyTheEntryOfItsOwnFolder) {
    Launcher(S("user/Tool"), "#!/bin/sh\n");
    Launcher(S("all/Tool"), "#!/bin/sh\n");
    Launcher(S("user/dup.desktop"), "[Desktop Entry]\nType=Application\nExec=user-tool\n");
    Launcher(S("all/dup.desktop"), "[Desktop Entry]\nType=Application\nExec=shared-tool\n");
    run.refused = QStringList{User("Tool")};
    // A program of the same name on both desktops: one start per row, even
    // when that start fails.
    Open(S("Tool"));
    EXPECT_EQ(run.started, QStringList{User("Tool")});
    Open(S("Tool"), AllFolder());
    EXPECT_EQ(run.started, (QStringList{User("Tool"), All("Tool")}));
    // A launcher of the same name on both: only the clicked row's.
    run.started.clear();
    Open(S("dup.desktop"), AllFolder());
    Open(S("dup.desktop"));
    EXPECT_EQ(run.started, (QStringList{S("shared-tool"), S("user-tool")}));
    EXPECT_EQ(rowReads, 4);
    // A row from a folder that is no desktop, or from none, starts nothing.
    run.started.clear();
    Launcher(S("Tool"), "#!/bin/sh\n");
    Open(S("Tool"), dir.path());
    Open(S("Tool"), QString());
    EXPECT_EQ(run.started, QStringList{});
}

TEST_F(OpenItemTest, ShortcutsStartTheirTargetsNotThemselves) {
    Launcher(S("user/Editor.desktop"), "[Desktop Entry]\nType=Application\nExec=gedit %U\n");
    Launcher(S("all/Editor.desktop"), "[Desktop Entry]\nType=Application\nExec=\"/opt/ed it\"\n");
    Open(S("Editor.desktop"));
    Open(S("Editor.desktop"), AllFolder());
    EXPECT_EQ(run.started, (QStringList{S("gedit"), S("\"/opt/ed it\"")}));

    run.started.clear();
    ASSERT_TRUE(QFile::link(S("/usr/bin/env"), User("env-link")));
    Open(S("env-link"));
    EXPECT_EQ(run.started, QStringList{S("/usr/bin/env")});  // the link itself is left alone

    // A link whose target is gone starts nothing, not even a part of its path.
    run.started.clear();
    ASSERT_TRUE(QFile::link(dir.filePath(S("gone dir/prog")), All("dangling")));
    Open(S("dangling"), AllFolder());
    EXPECT_EQ(run.started, QStringList{});
}

TEST_F(OpenItemTest, LaunchersFollowTheDesktopEntryRules) {
    // Not executable: not trusted, nothing starts.
    Write(S("user/Plain.desktop"), "[Desktop Entry]\nType=Application\nExec=gedit\n");
    // TryExec naming no program: nothing starts; naming one: the launcher starts.
    Launcher(S("user/Gone.desktop"),
             "[Desktop Entry]\nType=Application\nTryExec=tilebay-no-such-tool\nExec=gedit\n");
    Launcher(S("all/Gone.desktop"),
             "[Desktop Entry]\nType=Application\nTryExec=/bin/sh\n"
             "Exec=sh-tool\nPath=/srv/work\nTerminal=true\n");
    Open(S("Plain.desktop"));
    Open(S("Gone.desktop"));
    Open(S("Gone.desktop"), AllFolder());
    // Terminal=true runs the command in the desktop's terminal; Path= is the
    // working folder; every other start runs in the current folder.
    EXPECT_EQ(run.started, QStringList{S("x-terminal-emulator -e sh-tool")});
    EXPECT_EQ(run.workingFolders, QStringList{S("/srv/work")});
}

TEST_F(OpenItemTest, UnreadableShortcutsAndDocumentsStartNoErrorText) {
    Write(S("user/notes.txt"), "text");
    Write(S("all/broken.desktop"), "not a launcher");
    Open(S("notes.txt"));
    Open(S("broken.desktop"), AllFolder());
    // A document is nothing to run; the launcher itself is not handed on,
    // and neither is the error text of a failed resolution.
    EXPECT_EQ(run.started, QStringList{});
}

TEST_F(OpenItemTest, NoRowOrAnUnsafeRowStartsNothing) {
    Write(S("user/x"));
    Open(std::nullopt);
    Open(QString());
    Open(S(".."));
    Open(S("../user/x"));
    EXPECT_EQ(run.started, QStringList{});
    EXPECT_EQ(rowReads, 4);
}

TEST_F(OpenItemTest, EmptyLoginNameSkipsTheUserDesktop) {
    login.name.clear();
    Launcher(S("user/Tool"), "#!/bin/sh\n");
    Launcher(S("all/Tool"), "#!/bin/sh\n");
    Open(S("Tool"));
    Open(S("Tool"), AllFolder());
    EXPECT_EQ(run.started, QStringList{All("Tool")});
    EXPECT_EQ(folders.askedFor, (QStringList{QString(), QString()}));
}

TEST_F(OpenItemTest, ALinkToALauncherIsThatLauncherAndTrustIsChecked) {
    // Executable, and a valid script too: run as the launcher it is.
    const QString script = Launcher(
        S("tool.desktop"),
        "#!/bin/sh\n[Desktop Entry]\nType=Application\nExec=sh -c \"echo %c\" %c\nName=Tool\n"
        "Path=/srv\n");
    ASSERT_TRUE(QFile::link(script, User("Tool")));
    Open(S("Tool"));
    // The quoted "%c" stays as written; the bare one gives the name.
    EXPECT_EQ(run.started, QStringList{S("sh -c \"echo %c\" Tool")});
    EXPECT_EQ(run.workingFolders, QStringList{S("/srv")});

    // Writable by others: neither it nor a link to it starts.
    run.started.clear();
    const QString open = Launcher(S("open.desktop"), "[Desktop Entry]\nType=Application\nExec=x\n");
    ASSERT_TRUE(QFile::setPermissions(open, QFileDevice::Permissions(0x7777)));
    ASSERT_TRUE(QFile::link(open, All("Open")));
    ASSERT_TRUE(QFile::copy(open, All("open.desktop")));
    ASSERT_TRUE(QFile::setPermissions(All("open.desktop"), QFileDevice::Permissions(0x7777)));
    Open(S("Open"));
    Open(S("open.desktop"));
    EXPECT_EQ(run.started, QStringList{});
}

// The all-users desktop as a shared sticky folder: another user's script,
// their link to a script of ours and our link to theirs are not run, and the
// user is told; our own link to our script runs the script. The launcher
// rule itself is tested in trust_test.cpp.
TEST_F(OpenItemTest, ProgramsAndLinksToThemRunOnlyWhenTrusted) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "files of another user need root";
    }
    ASSERT_EQ(::chmod(QFile::encodeName(AllFolder()).constData(), 01777), 0);
    const QString mine = Launcher(S("all/mine"), "#!/bin/sh\n");
    const QString foreign = Launcher(S("all/foreign"), "#!/bin/sh\n");
    ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
    ASSERT_TRUE(QFile::link(mine, All("their-link")));
    ASSERT_EQ(::lchown(QFile::encodeName(All("their-link")).constData(), 65534, 65534), 0);
    ASSERT_TRUE(QFile::link(foreign, User("to-foreign")));
    ASSERT_TRUE(QFile::link(mine, User("mine-link")));
    for (const char* name : {"foreign", "their-link"}) {
        Open(S(name), AllFolder());
    }
    Open(S("to-foreign"));
    Open(S("mine-link"));
    EXPECT_EQ(run.started, QStringList{QFileInfo(mine).canonicalFilePath()});
    EXPECT_EQ(told,
              (QStringList{UntrustedStartText(S("foreign")), UntrustedStartText(S("their-link")),
                           UntrustedStartText(S("to-foreign"))}));
}

}  // namespace
