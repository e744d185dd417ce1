// Real desktop folders in a temporary home: the panel's collection lists
// them, and starting items runs real processes through launchers and links.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"
#include "common/testing/wait_for.h"
#include "tilebay/panel/items/desktop_items.h"
#include "tilebay/panel/items/file_icons.h"
#include "tilebay/panel/items/item_activation.h"
#include "tilebay/platform/system/desktop_folders.h"
#include "tilebay/platform/system/login_name.h"
#include "tilebay/platform/system/run_service.h"
#include "tilebay/platform/system/testing/marker_program.h"

namespace {

using namespace tilebay;

class DesktopIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS"}) {
            saved_.emplace_back(name, qgetenv(name));
        }
        const QDir root(tmp.path());
        ASSERT_TRUE(root.mkpath(S("home/.config")));
        ASSERT_TRUE(root.mkpath(S("home/My Desk")));
        ASSERT_TRUE(root.mkpath(S("share/tilebay/Desktop")));
        ASSERT_TRUE(root.mkpath(S("bin")));
        qputenv("HOME", tmp.filePath(S("home")).toUtf8());
        qputenv("XDG_CONFIG_HOME", tmp.filePath(S("home/.config")).toUtf8());
        qputenv("XDG_DATA_DIRS", tmp.filePath(S("share")).toUtf8() + ":/usr/share");
        QFile dirs(tmp.filePath(S("home/.config/user-dirs.dirs")));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_DESKTOP_DIR=\"$HOME/My Desk\"\n");
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            qputenv(name, value);
        }
    }
    // A program that writes its arguments, one a line, to `marker`.
    QString Program(const QString& name, const QString& marker) {
        const QString path = tmp.filePath(S("bin/") + name);
        EXPECT_TRUE(tilebay::testing::WriteMarkerProgram(path, marker));
        return path;
    }
    void WriteFile(const QString& path, const QByteArray& content) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // A double-click on a row of the user's desktop, or of `folder`.
    void Open(const QString& row, const QString& folder = {}) {
        const RowEntry entry{row, folder.isEmpty() ? tmp.filePath(S("home/My Desk")) : folder};
        OpenItem([&] { return std::optional<RowEntry>(entry); }, services);
    }
    QString AllUsers() const { return tmp.filePath(S("share/tilebay/Desktop")); }

    QTemporaryDir tmp;
    SystemLoginName login;
    XdgDesktopFolders folders;
    ProcessRunService run;
    ActivationServices services{login, folders, run};

private:
    std::vector<std::pair<const char*, QByteArray>> saved_;
};

TEST_F(DesktopIntegrationTest, TheFoldersAreTheConfiguredOnes) {
    EXPECT_EQ(folders.UserDesktop(login.LoginName()), tmp.filePath(S("home/My Desk")));
    EXPECT_EQ(folders.AllUsersDesktop(), tmp.filePath(S("share/tilebay/Desktop")));
}

TEST_F(DesktopIntegrationTest, ALauncherOnTheUserDesktopStartsItsProgram) {
    const QString marker = tmp.filePath(S("launcher-ran"));
    const QString program = Program(S("my tool"), marker);
    WriteFile(tmp.filePath(S("home/My Desk/Tool.desktop")),
              "[Desktop Entry]\nType=Application\nName=Tool\nExec=\"" + program.toUtf8() +
                  "\" --from-launcher %U\n");
    // Untrusted until it is marked executable.
    Open(S("Tool.desktop"));
    EXPECT_FALSE(
        pwtest::waitFor([&] { return QFile::exists(marker); }, std::chrono::milliseconds(300)));
    ASSERT_TRUE(QFile::setPermissions(tmp.filePath(S("home/My Desk/Tool.desktop")),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    Open(S("Tool.desktop"));
    ASSERT_TRUE(pwtest::waitFor([&] { return QFile::exists(marker); }));
    EXPECT_EQ(Read(marker), QByteArray("--from-launcher\n"));

    // Path= is the folder the program runs in: a relative name lands there.
    const QString work = tmp.filePath(S("work folder"));
    ASSERT_TRUE(QDir().mkpath(work));
    const QString launcher = tmp.filePath(S("home/My Desk/Here.desktop"));
    WriteFile(launcher, "[Desktop Entry]\nType=Application\nExec=touch here-ran\nPath=" +
                            work.toUtf8() + "\n");
    ASSERT_TRUE(QFile::setPermissions(launcher, QFile::ReadOwner | QFile::ExeOwner));
    Open(S("Here.desktop"));
    EXPECT_TRUE(pwtest::waitFor([&] { return QFile::exists(work + S("/here-ran")); }));
}

TEST_F(DesktopIntegrationTest, ALinkOnTheAllUsersDesktopStartsItsTarget) {
    const QString marker = tmp.filePath(S("link-ran"));
    const QString program = Program(S("linked"), marker);
    ASSERT_TRUE(QFile::link(program, tmp.filePath(S("share/tilebay/Desktop/Linked Tool"))));
    Open(S("Linked Tool"), AllUsers());
    ASSERT_TRUE(pwtest::waitFor([&] { return QFile::exists(marker); }));
    EXPECT_EQ(Read(marker), QByteArray("\n"));
}

// Records which starts the real run service reports as made; `beforeOpened`
// runs between the check of an opened program and its start.
class RecordingRunService : public RunService {
public:
    bool Start(const QString& text) override { return StartIn(text, QString()); }
    bool StartIn(const QString& text, const QString& workingFolder) override {
        return Record(real.StartIn(text, workingFolder), text);
    }
    bool StartOpened(const OpenedProgram& program) override {
        if (beforeOpened) {
            beforeOpened(program.path);
        }
        return Record(real.StartOpened(program), program.path);
    }
    bool Record(bool started, const QString& text) {
        if (started) {
            made.append(text);
        }
        return started;
    }
    ProcessRunService real;
    QStringList made;
    std::function<void(const QString&)> beforeOpened;
};

TEST_F(DesktopIntegrationTest, APathWithABlankIsNeverSplitIntoAProgramAndArguments) {
    // "my" is a program on both desktops; "my doc.txt" a document on the
    // user's desktop only, and "my app" a link to a program that is gone.
    const QString marker = tmp.filePath(S("split-ran"));
    const QString program = Program(S("my"), marker);
    ASSERT_TRUE(QFile::copy(program, tmp.filePath(S("home/My Desk/my"))));
    ASSERT_TRUE(QFile::copy(program, tmp.filePath(S("share/tilebay/Desktop/my"))));
    WriteFile(tmp.filePath(S("home/My Desk/my doc.txt")), "text");
    ASSERT_TRUE(QFile::link(tmp.filePath(S("home/My Desk/my app")),
                            tmp.filePath(S("share/tilebay/Desktop/my app"))));
    RecordingRunService recording;
    ActivationServices recorded{login, folders, recording};
    const auto row = [&](const char* name, const QString& folder) {
        return [name, folder] { return std::optional<RowEntry>(RowEntry{S(name), folder}); };
    };
    const QString user = tmp.filePath(S("home/My Desk"));
    OpenItem(row("my doc.txt", user), recorded);
    OpenItem(row("my app", AllUsers()), recorded);
    EXPECT_EQ(recording.made, QStringList{});
    // The program starts from each desktop's own row.
    OpenItem(row("my", user), recorded);
    OpenItem(row("my", AllUsers()), recorded);
    EXPECT_EQ(recording.made, (QStringList{tmp.filePath(S("home/My Desk/my")),
                                           tmp.filePath(S("share/tilebay/Desktop/my"))}));
    EXPECT_TRUE(pwtest::waitFor([&] { return QFile::exists(marker); }));
}

// Another user's script renamed into the place of a checked program (in a
// folder that user may write) between the check and the start: the checked
// file is what runs.
TEST_F(DesktopIntegrationTest, TheCheckedProgramRunsEvenWhenItsPathIsSwappedBeforeTheStart) {
    const QString checked = tmp.filePath(S("checked-ran"));
    const QString swapped = tmp.filePath(S("swapped-ran"));
    ASSERT_TRUE(QFile::copy(Program(S("tool"), checked), tmp.filePath(S("home/My Desk/tool"))));
    const QString intruder = Program(S("intruder"), swapped);
    RecordingRunService recording;
    recording.beforeOpened = [&](const QString& path) {
        EXPECT_EQ(
            ::rename(QFile::encodeName(intruder).constData(), QFile::encodeName(path).constData()),
            0);
    };
    ActivationServices recorded{login, folders, recording};
    const RowEntry row{S("tool"), tmp.filePath(S("home/My Desk"))};
    OpenRow(row, recorded);
    EXPECT_EQ(recording.made, QStringList{tmp.filePath(S("home/My Desk/tool"))});
    ASSERT_TRUE(pwtest::waitFor([&] { return QFile::exists(checked); }));
    EXPECT_FALSE(QFile::exists(swapped));
}

TEST_F(DesktopIntegrationTest, BothDesktopsAreListedAllUsersFirst) {
    WriteFile(tmp.filePath(S("share/tilebay/Desktop/shared.txt")), "x");
    WriteFile(tmp.filePath(S("home/My Desk/mine.txt")), "y");
    WriteFile(tmp.filePath(S("home/My Desk/.hidden")), "z");
    ASSERT_TRUE(QDir(tmp.path()).mkpath(S("home/My Desk/Projects")));
    DesktopItemList list;
    ThemeFileIconSource icons;
    ProcessEventsPause pause;
    DesktopItemCollector collector(list, icons, pause);
    collector.CollectFolder(folders.AllUsersDesktop());
    collector.CollectFolder(folders.UserDesktop(login.LoginName()));
    QStringList rows;
    for (const ItemRow& row : list.rows) {
        rows.append(row.text);
        EXPECT_FALSE(row.typeText.isEmpty()) << row.text.toStdString();
    }
    EXPECT_EQ(rows, (QStringList{S("shared.txt"), S("Projects"), S("mine.txt")}));
    EXPECT_EQ(list.rows[0].largeImage, list.rows[2].largeImage);  // both TXT
    EXPECT_EQ(list.icons32.Count(), 2);
}

}  // namespace
