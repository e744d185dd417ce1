#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "instance_guard.h"
#include "process_launcher.h"
#include "program_lifetime.h"
#include "wait_for.h"

namespace {

using patchwell::platform::DetachedProcessLauncher;
using patchwell::platform::LockFileInstanceGuard;

QString WriteScript(const QString& path, const QByteArray& body) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(DetachedProcessLauncher, HandsOverArgumentsWholeAndUsesTheWorkingFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("my programs/app one"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const QString script = WriteScript(
        folder + QStringLiteral("/set up.sh"),
        "{ for a in \"$@\"; do printf '<%s>\\n' \"$a\"; done; pwd; } > \"" + out.toUtf8() +
            ".part\" && mv \"" + out.toUtf8() + ".part\" \"" + out.toUtf8() + "\"\n");

    DetachedProcessLauncher launcher;
    ASSERT_TRUE(launcher.StartDetached(script, {QStringLiteral("/auto"), folder}, folder));
    ASSERT_TRUE(pwtest::waitFor([&] { return QFile::exists(out); }));
    EXPECT_EQ(ReadAll(out), "</auto>\n<" + folder.toUtf8() + ">\n" + folder.toUtf8() + "\n");
}

TEST(DetachedProcessLauncher, ReportsProgramsThatCannotStart) {
    QTemporaryDir dir;
    DetachedProcessLauncher launcher;
    EXPECT_FALSE(launcher.StartDetached(dir.filePath(QStringLiteral("missing")), {}, dir.path()));
    EXPECT_FALSE(launcher.StartDetached(dir.path(), {}, dir.path()));  // a folder

    QFile plain(dir.filePath(QStringLiteral("plain.sh")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("#!/bin/sh\nexit 0\n");
    plain.close();
    plain.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_FALSE(launcher.StartDetached(plain.fileName(), {}, dir.path()));
    // A bare name must not be looked up on PATH.
    EXPECT_FALSE(launcher.StartDetached(QStringLiteral("true"), {}, dir.path()));
}

TEST(LockFileInstanceGuard, RefusesASecondInstanceOfTheSameExecutableOnly) {
    QTemporaryDir locks;
    QTemporaryDir apps;
    const QString exeA = apps.filePath(QStringLiteral("a/patchwell"));
    const QString exeB = apps.filePath(QStringLiteral("b/patchwell"));

    LockFileInstanceGuard first(exeA, locks.path());
    ASSERT_TRUE(first.TryClaim());
    EXPECT_TRUE(first.TryClaim());  // claiming again keeps the slot

    LockFileInstanceGuard second(exeA, locks.path());
    EXPECT_FALSE(second.TryClaim());

    // The same file reached through another spelling of its path.
    LockFileInstanceGuard sameFile(apps.filePath(QStringLiteral("a/../a/patchwell")), locks.path());
    EXPECT_EQ(sameFile.LockPath(), first.LockPath());

    LockFileInstanceGuard other(exeB, locks.path());
    EXPECT_TRUE(other.TryClaim());
}

TEST(LockFileInstanceGuard, TakesOverTheLockOfAnInstanceThatDied) {
    QTemporaryDir locks;
    const QString exe = QStringLiteral("/opt/app/patchwell");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Claim and vanish without releasing, as a crashed instance would.
        LockFileInstanceGuard crashed(exe, locks.path());
        ::_exit(crashed.TryClaim() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    LockFileInstanceGuard next(exe, locks.path());
    ASSERT_TRUE(QFile::exists(next.LockPath()));
    EXPECT_TRUE(next.TryClaim());
}

TEST(RealProgramLifetime, WaitRunsItsTimeAndLetsTimersRun) {
    int argc = 1;
    char name[] = "platform_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    bool fired = false;
    QTimer::singleShot(30, &app, [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    patchwell::platform::RealProgramLifetime().Wait(200);
    EXPECT_GE(clock.elapsed(), 200);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(fired);
}

}  // namespace
