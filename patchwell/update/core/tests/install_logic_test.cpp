#include <QFileInfo>
#include <QStringList>

#include <gtest/gtest.h>

#include "install_logic.h"
#include "minisign_tool.h"
#include "test_folder.h"
#include "texts.h"

namespace {

using namespace patchwell::update;

class FakeInstallView : public InstallView {
public:
    void HideDownloadWindow() override { log << QStringLiteral("hideDownload"); }
    void ShowWindow() override { log << QStringLiteral("show"); }
    void MakeTopmost() override { log << QStringLiteral("topmost"); }
    void SetProgramName(const QString& name) override { log << QStringLiteral("name=") + name; }
    QStringList log;
};

class InstallLogicTest : public ::testing::Test {
protected:
    void SetUp() override {
        t.Write(QStringLiteral("update.ini"),
                "[Program]\nPrgname=Sample Editor\nprgver=2.0\nexe=editor.sh\n");
        t.Write(QStringLiteral("iupdate.ini"), "[Update]\ncurver=2.1\n");
        t.Write(QStringLiteral("editor-setup.sh"), "#!/bin/sh\n");
        QFile::setPermissions(
            t.Path(QStringLiteral("editor-setup.sh")),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
        // What the world looks like when each program is started.
        t.launcher.succeed = [this](const QString& program) {
            const QFileInfo info(program);
            states << QStringLiteral("%1 exec=%2 manifest=%3")
                          .arg(info.fileName())
                          .arg(info.isExecutable())
                          .arg(t.Exists(QStringLiteral("iupdate.ini")));
            return !failing.contains(info.fileName());
        };
    }

    void Run() {
        InstallLogic logic(t.Svc(), view);
        logic.Load(t.Path(QStringLiteral("editor-setup.sh")),
                   QStringLiteral("http://127.0.0.1:1/editor-setup.sh"));
    }

    TestFolder t;
    FakeInstallView view;
    QStringList states;
    QStringList failing;
};

TEST_F(InstallLogicTest, RunsTheInstallerThenRestartsTheProgram) {
    Run();
    EXPECT_EQ(view.log,
              (QStringList{QStringLiteral("hideDownload"), QStringLiteral("show"),
                           QStringLiteral("topmost"), QStringLiteral("name=Sample Editor")}));
    ASSERT_EQ(t.launcher.starts.size(), 2u);
    // The installer gets "/auto" and the folder as separate, whole arguments.
    EXPECT_EQ(t.launcher.starts[0].program, t.Path(QStringLiteral("editor-setup.sh")));
    EXPECT_EQ(t.launcher.starts[0].arguments, (QStringList{QStringLiteral("/auto"), t.folder}));
    EXPECT_EQ(t.launcher.starts[0].workingFolder, t.folder);
    EXPECT_EQ(t.launcher.starts[1].program, t.Path(QStringLiteral("editor.sh")));
    EXPECT_TRUE(t.launcher.starts[1].arguments.isEmpty());
    // The manifest is gone and the installer executable before it starts.
    EXPECT_EQ(states, (QStringList{QStringLiteral("editor-setup.sh exec=1 manifest=0"),
                                   QStringLiteral("editor.sh exec=0 manifest=0")}));
    // The installer is waited for; no fixed pause stands in for that.
    EXPECT_TRUE(t.launcher.starts[0].waited);
    EXPECT_FALSE(t.launcher.starts[1].waited);
    EXPECT_TRUE(t.lifetime.waits.empty());
    EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.sh")));
    EXPECT_TRUE(t.messages.shown.empty());
    EXPECT_EQ(t.lifetime.ends, 1);
}

TEST_F(InstallLogicTest, EmptyExeOrNameStillInstalls) {
    t.Write(QStringLiteral("update.ini"), "[Program]\nprgver=2.0\n");
    Run();
    EXPECT_EQ(view.log.last(), QStringLiteral("name="));
    ASSERT_EQ(t.launcher.starts.size(), 1u);
    EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.sh")));
    EXPECT_EQ(t.lifetime.ends, 1);
}

TEST_F(InstallLogicTest, ReportsWhatCouldNotStartAndCarriesOn) {
    failing << QStringLiteral("editor-setup.sh") << QStringLiteral("editor.sh");
    Run();
    ASSERT_EQ(t.messages.shown.size(), 2u);
    EXPECT_EQ(t.messages.shown[0].text, QStringLiteral("Patchwell could not start the installer ") +
                                            t.Path(QStringLiteral("editor-setup.sh")));
    EXPECT_EQ(t.messages.shown[1].text,
              QStringLiteral("Patchwell could not start ") + t.Path(QStringLiteral("editor.sh")));
    EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.sh")));
    EXPECT_EQ(t.lifetime.ends, 1);
}

TEST_F(InstallLogicTest, AnInstallerThatFailsIsReportedAndTheOldProgramStartsAfterIt) {
    using patchwell::platform::ProgramEnd;
    const struct {
        ProgramEnd end;
        const char* how;
    } cases[] = {
        {{ProgramEnd::Kind::Exited, 3}, "exit status 3"},
        {{ProgramEnd::Kind::Killed, 9}, "signal 9, SIGKILL"},
        {{ProgramEnd::Kind::Killed, 15}, "signal 15, SIGTERM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        SetUp();
        t.launcher.starts.clear();
        t.messages.shown.clear();
        t.lifetime.ends = 0;
        states.clear();
        // While the installer runs, its file is still there and nothing else
        // has been started.
        QStringList duringRun;
        t.launcher.end = [&](const QString&) {
            duringRun << QStringLiteral("installer=%1 starts=%2")
                             .arg(t.Exists(QStringLiteral("editor-setup.sh")))
                             .arg(t.launcher.starts.size());
            return c.end;
        };
        Run();
        EXPECT_EQ(duringRun, QStringList{QStringLiteral("installer=1 starts=1")});
        ASSERT_EQ(t.messages.shown.size(), 1u);
        EXPECT_EQ(t.messages.shown[0].text,
                  QStringLiteral("The installer ") + t.Path(QStringLiteral("editor-setup.sh")) +
                      QStringLiteral(" failed (") + QString::fromLatin1(c.how) +
                      QStringLiteral("), so the update may not have "
                                     "been installed."));
        // The served program (the old one) still starts, after the report.
        ASSERT_EQ(t.launcher.starts.size(), 2u);
        EXPECT_EQ(t.launcher.starts[1].program, t.Path(QStringLiteral("editor.sh")));
        EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.sh")));
        EXPECT_EQ(t.lifetime.ends, 1);
    }
}

TEST_F(InstallLogicTest, MissingManifestAndInstallerAreNoDeleteFailures) {
    QFile::remove(t.Path(QStringLiteral("iupdate.ini")));
    QFile::remove(t.Path(QStringLiteral("editor-setup.sh")));
    failing << QStringLiteral("editor-setup.sh");
    Run();
    // Only the installer start is reported; the served program still starts.
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_TRUE(t.messages.shown[0].text.startsWith(
        QStringLiteral("Patchwell could not start the installer ")));
    EXPECT_EQ(t.launcher.starts.size(), 2u);
    EXPECT_EQ(t.lifetime.ends, 1);
}

class SignedInstallTest : public InstallLogicTest {
protected:
    void SetUp() override {
        InstallLogicTest::SetUp();
        ASSERT_TRUE(keys.isValid());
        ours = patchwell::signing::testing::MakeKey(keys.path(), QStringLiteral("ours"));
        ASSERT_FALSE(ours.publicKeyLine.isEmpty());
        t.Write(QStringLiteral("update.ini"),
                "[Program]\nPrgname=Sample Editor\nprgver=2.0\nexe=editor.sh\n[Update]\n"
                "publickey=" +
                    ours.publicKeyLine.toLatin1() + "\n");
        t.Write(QStringLiteral("editor-setup.sh"), installer);
    }
    // Signs `content` with `key` and serves the signature beside the installer.
    void Publish(const QByteArray& content, const patchwell::signing::testing::MinisignKey& key) {
        const QString file = keys.filePath(QStringLiteral("editor-setup.sh"));
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
        out.close();
        ASSERT_TRUE(patchwell::signing::testing::Sign(key, file));
        QFile sig(file + QStringLiteral(".minisig"));
        ASSERT_TRUE(sig.open(QIODevice::ReadOnly));
        t.fetcher.bodies[QStringLiteral("http://127.0.0.1:1/editor-setup.sh.minisig")] =
            sig.readAll();
    }
    QTemporaryDir keys;
    patchwell::signing::testing::MinisignKey ours;
    const QByteArray installer = "#!/bin/sh\necho the real installer\n";
};

TEST_F(SignedInstallTest, RunsExactlyTheVerifiedBytesEvenIfTheFileChangesAfterTheCheck) {
    Publish(installer, ours);
    // The file on disk is swapped while the signature is fetched, after the
    // copy that is checked and run was taken.
    t.fetcher.onFetch = [this](const QString&) {
        t.Write(QStringLiteral("editor-setup.sh"), "#!/bin/sh\necho swapped\n");
    };
    Run();
    EXPECT_TRUE(t.messages.shown.empty());
    ASSERT_EQ(t.launcher.starts.size(), 2u);
    EXPECT_TRUE(t.launcher.starts[0].program.startsWith(QStringLiteral("fd:")));
    EXPECT_EQ(t.launcher.starts[0].descriptorContent, installer);
    EXPECT_EQ(t.launcher.starts[0].arguments, (QStringList{QStringLiteral("/auto"), t.folder}));
    EXPECT_EQ(t.launcher.starts[0].workingFolder, t.folder);
    EXPECT_EQ(t.launcher.starts[1].program, t.Path(QStringLiteral("editor.sh")));
    EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
    EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.sh")));
    EXPECT_TRUE(t.launcher.starts[0].waited);
    EXPECT_TRUE(t.lifetime.waits.empty());
    EXPECT_EQ(t.lifetime.ends, 1);
}

TEST_F(SignedInstallTest, AnInstallerThatDoesNotMatchItsSignatureIsRefusedAndDeleted) {
    // (A missing signature and a tampered installer are also covered end to
    // end; this checks the details.)
    Publish(installer + "# changed on the server\n", ours);
    Run();
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_EQ(t.messages.shown[0].text, texts::UpdateNotVerified());
    EXPECT_TRUE(t.launcher.starts.empty());
    EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
    EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.sh")));
    EXPECT_TRUE(t.lifetime.waits.empty());
    EXPECT_EQ(t.lifetime.ends, 1);
}

}  // namespace
