#include <QCryptographicHash>
#include <QFileInfo>
#include <QStringList>

#include <gtest/gtest.h>

#include <unistd.h>

#include "common/ini/ini.h"
#include "patchwell/update/core/delta/kept_installers.h"
#include "patchwell/update/core/logic/install_logic.h"
#include "patchwell/update/core/testing/fake_update_view.h"
#include "patchwell/update/core/testing/test_folder.h"
#include "patchwell/update/core/texts.h"

namespace {

using namespace patchwell::update;

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
        logic.Load(t.Path(QStringLiteral("editor-setup.sh")), manifest);
    }

    TestFolder t;
    FakeInstallView view;
    VerifiedManifest manifest;  // unbound and without a key unless a test binds it
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

class BoundInstallTest : public InstallLogicTest {
protected:
    void SetUp() override {
        InstallLogicTest::SetUp();
        t.Write(QStringLiteral("update.ini"), signedIni);
        t.Write(QStringLiteral("editor-setup.sh"), installer);
        Bind(installer, true);
    }
    void Bind(const QByteArray& content, bool keyed) {
        manifest.keyed = keyed;
        manifest.installerSize = content.size();
        manifest.installerSha256 = QCryptographicHash::hash(content, QCryptographicHash::Sha256);
    }
    QString Local(const char* key) {
        return common::ReadIniValue(QStringLiteral("Update"), QString::fromLatin1(key),
                                    t.Path(QStringLiteral("update.ini")));
    }
    const QByteArray signedIni =
        "[Program]\nPrgname=Sample Editor\nprgver=2.0\nexe=editor.sh\n[Update]\n"
        "publickey=RWQkey\nnextpublickey=RWQnext\nlastmanifesttime=1700000000\n";
    const QByteArray installer = "#!/bin/sh\necho the real installer\n";
};

TEST_F(BoundInstallTest, RunsTheBoundBytesAndKeepsTheSigningSettingsOfAnInstallerThatDropsThem) {
    // The installer rewrites update.ini from scratch, without the signing
    // keys and with an older signing time.
    t.launcher.succeed = [this](const QString& program) {
        if (program.startsWith(QStringLiteral("fd:"))) {
            t.Write(QStringLiteral("update.ini"),
                    "[Program]\nPrgname=Sample Editor\nprgver=2.1\nexe=editor.sh\n"
                    "[Update]\nlastmanifesttime=5\n");
        }
        return true;
    };
    Run();
    EXPECT_TRUE(t.messages.shown.empty());
    ASSERT_EQ(t.launcher.starts.size(), 2u);
    EXPECT_TRUE(t.launcher.starts[0].program.startsWith(QStringLiteral("fd:")));
    EXPECT_EQ(t.launcher.starts[0].descriptorContent, installer);
    EXPECT_EQ(t.launcher.starts[0].arguments, (QStringList{QStringLiteral("/auto"), t.folder}));
    EXPECT_EQ(t.launcher.starts[1].program, t.Path(QStringLiteral("editor.sh")));
    EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
    EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.sh")));
    EXPECT_EQ(Local("publickey"), QStringLiteral("RWQkey"));
    EXPECT_EQ(Local("nextpublickey"), QStringLiteral("RWQnext"));
    EXPECT_EQ(Local("lastmanifesttime"), QStringLiteral("1700000000"));
    EXPECT_EQ(common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("prgver"),
                                   t.Path(QStringLiteral("update.ini"))),
              QStringLiteral("2.1"));
    EXPECT_TRUE(t.launcher.starts[0].waited);
    EXPECT_TRUE(t.lifetime.waits.empty());
    EXPECT_EQ(t.lifetime.ends, 1);
}

TEST_F(BoundInstallTest, AnInstallerThatIsNotTheBoundOneIsRefusedAndDeleted) {
    struct Case {
        const char* what;
        QByteArray onDisk;
        bool keyed;
        bool bound;
        QString reason;
    };
    const QByteArray sameLength = QByteArray(installer).replace("real", "evil");
    const std::vector<Case> cases{
        {"longer", installer + "rm -rf ~\n", true, true, texts::refusal::WrongLength()},
        {"shorter", installer.left(10), true, true, texts::refusal::WrongLength()},
        {"same length, other bytes", sameLength, true, true, texts::refusal::WrongDigest()},
        {"without a key, other bytes", sameLength, false, true, texts::refusal::WrongDigest()},
        {"keyed but unbound", installer, true, false, texts::refusal::Unbound()},
        {"missing", QByteArray(), true, true, texts::refusal::UnreadableInstaller()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        t.messages.shown.clear();
        t.launcher.starts.clear();
        t.lifetime.ends = 0;
        t.lifetime.waits.clear();
        t.Write(QStringLiteral("iupdate.ini"), "[Update]\ncurver=2.1\n");
        QFile::remove(t.Path(QStringLiteral("editor-setup.sh")));
        if (!c.onDisk.isEmpty()) {
            t.Write(QStringLiteral("editor-setup.sh"), c.onDisk);
        }
        Bind(installer, c.keyed);
        if (!c.bound) {
            manifest.installerSize.reset();
        }
        Run();
        ASSERT_EQ(t.messages.shown.size(), 1u);
        EXPECT_EQ(t.messages.shown[0].text, texts::UpdateNotVerified(c.reason));
        EXPECT_TRUE(t.launcher.starts.empty());
        EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
        EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.sh")));
        EXPECT_TRUE(t.lifetime.waits.empty());
        EXPECT_EQ(t.lifetime.ends, 1);
    }
}

TEST_F(BoundInstallTest, AReadyCopyThatFailsIsReportedByItsSaveNameAndNotKept) {
    t.launcher.end = [](const QString&) {
        return patchwell::platform::ProgramEnd{patchwell::platform::ProgramEnd::Kind::Exited, 3};
    };
    const patchwell::platform::SealedCopy ready([this](int fd) {
        return ::write(fd, installer.constData(), static_cast<size_t>(installer.size())) ==
               installer.size();
    });
    const QString name = t.Path(QStringLiteral("editor-setup.sh"));
    InstallLogic(t.Svc(), view).Load(ready, name, manifest);
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_EQ(t.messages.shown[0].text, texts::InstallerFailed(name, texts::ExitStatus(3)));
    ASSERT_EQ(t.launcher.starts.size(), 2u);
    EXPECT_EQ(t.launcher.starts[0].descriptorContent, installer);
    // The file of that name is not what ran: it stays. Only a success is kept.
    EXPECT_TRUE(t.Exists(QStringLiteral("editor-setup.sh")));
    EXPECT_FALSE(KeptInstallers({t.StateFolder()}, t.folder).Current());
}

}  // namespace
