#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <functional>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/process/termination_signals.h"
#include "common/testing/wait_for.h"
#include "patchwell/platform/executable_copy.h"
#include "patchwell/platform/instance_guard.h"
#include "patchwell/platform/process_launcher.h"
#include "patchwell/platform/program_lifetime.h"
#include "patchwell/platform/sealed_copy.h"
#include "patchwell/platform/whole_program.h"

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

// A script that writes `label` (when given), its arguments as "<arg>" lines
// and its working folder into `out`, which appears whole or not at all.
QString WriteRecorder(const QString& path, const QString& out, const QByteArray& label = {}) {
    const QByteArray target = "\"" + out.toUtf8() + "\"";
    const QByteArray part = "\"" + out.toUtf8() + ".part\"";
    const QByteArray echo = label.isEmpty() ? QByteArray() : "echo " + label + "; ";
    return WriteScript(path, "{ " + echo +
                                 "for a in \"$@\"; do printf '<%s>\\n' \"$a\"; done; pwd; } > " +
                                 part + " && mv " + part + " " + target + "\n");
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
    const QString script = WriteRecorder(folder + QStringLiteral("/set up.sh"), out);

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

TEST(DetachedProcessLauncher, RunWaitsForTheEndWithEventsServedAndReportsHowItEnded) {
    using patchwell::platform::ProgramEnd;
    int argc = 1;
    char name[] = "platform_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("app folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString go = dir.filePath(QStringLiteral("go"));
    // Ends only once a timer of ours has run during the wait (or gives up
    // with 99 after some seconds), then exits with the status it is given.
    const QString waiter =
        WriteScript(dir.filePath(QStringLiteral("waiter.sh")),
                    "n=0; while [ ! -e \"" + go.toUtf8() +
                        "\" ] && [ $n -lt 2000 ]; do sleep 0.01; n=$((n+1)); done\n"
                        "[ -e \"" +
                        go.toUtf8() +
                        "\" ] || exit 99\n[ \"$PWD\" = \"$2\" ] || exit 98\n"
                        "case $1 in kill) kill -9 $$;;\n"
                        // Ends at once, leaving a child of its own session
                        // at work in the folder, or one that outlives the
                        // bound of `bounded` below, its pid written.
                        "fork) ( setsid sh -c 'sleep 0.3; echo done > child' & ); exit 0;;\n"
                        "stay) ( sleep 30 & echo $! > stayer ); exit 0;;\n"
                        "*) exit $1;; esac\n");
    QFile plain(dir.filePath(QStringLiteral("plain.sh")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("#!/bin/sh\nexit 0\n");
    plain.close();

    DetachedProcessLauncher launcher;
    DetachedProcessLauncher bounded(std::chrono::milliseconds(300));
    const struct {
        QString program;
        QString argument;
        ProgramEnd::Kind kind;
        int code;
    } cases[] = {
        {waiter, QStringLiteral("fork"), ProgramEnd::Kind::Exited, 0},
        {waiter, QStringLiteral("stay"), ProgramEnd::Kind::Exited, 0},
        {waiter, QStringLiteral("0"), ProgramEnd::Kind::Exited, 0},
        {waiter, QStringLiteral("3"), ProgramEnd::Kind::Exited, 3},
        {waiter, QStringLiteral("kill"), ProgramEnd::Kind::Killed, SIGKILL},
        {dir.filePath(QStringLiteral("missing")), {}, ProgramEnd::Kind::NotStarted, 0},
        {plain.fileName(), {}, ProgramEnd::Kind::NotStarted, 0},  // not executable
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program.toStdString() + " " + c.argument.toStdString());
        QFile::remove(go);
        int ticks = 0;
        QTimer::singleShot(0, [&] {
            ++ticks;
            QFile touch(go);
            EXPECT_TRUE(touch.open(QIODevice::WriteOnly));
        });
        QElapsedTimer clock;
        clock.start();
        const bool stays = c.argument == QStringLiteral("stay");
        const ProgramEnd end =
            (stays ? bounded : launcher).Run(c.program, {c.argument, folder}, folder);
        if (c.argument == QStringLiteral("fork")) {
            // The whole tree ended before Run returned.
            EXPECT_EQ(ReadAll(folder + QStringLiteral("/child")), "done\n");
        }
        if (stays) {
            // Waited for up to its bound, then left alone.
            EXPECT_LT(clock.elapsed(), 10000);
            const pid_t stayer = ReadAll(folder + QStringLiteral("/stayer")).trimmed().toInt();
            ASSERT_GT(stayer, 0);
            EXPECT_EQ(::kill(stayer, SIGKILL), 0);
            int status = 0;
            EXPECT_EQ(::waitpid(stayer, &status, 0), stayer);  // it came to us
        }
        EXPECT_EQ(end.kind, c.kind);
        EXPECT_EQ(end.code, c.code);
        EXPECT_EQ(end.succeeded(), c.kind == ProgramEnd::Kind::Exited && c.code == 0);
        if (c.kind != ProgramEnd::Kind::NotStarted) {
            EXPECT_EQ(ticks, 1);  // the timer ran while we waited
        }
        QCoreApplication::processEvents();
    }

    // From a sealed copy, the descriptor reaches the interpreter.
    patchwell::platform::SealedCopy copy(waiter);
    ASSERT_TRUE(copy.valid());
    QFile touch(go);
    ASSERT_TRUE(touch.open(QIODevice::WriteOnly));
    const ProgramEnd fromCopy =
        launcher.RunFromDescriptor(copy.fd(), {QStringLiteral("5"), folder}, folder);
    EXPECT_EQ(fromCopy.kind, ProgramEnd::Kind::Exited);
    EXPECT_EQ(fromCopy.code, 5);
    EXPECT_EQ(launcher.RunFromDescriptor(-1, {}, folder).kind, ProgramEnd::Kind::NotStarted);
}

// Every start from a fork of our own sets the child up alike: standard input
// from /dev/null (never ours), and a working folder that cannot be entered
// means the program does not start at all.
TEST(DetachedProcessLauncher, ForkedStartsReadNoInputOfOursAndNeedTheirWorkingFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const QByteArray part = "\"" + out.toUtf8() + ".part\"";
    // The script also counts its descriptors 3 to 9 (below the shell's own)
    // that are open on /dev/null: the child's set-up must leave none behind.
    const QByteArray body =
        "n=0; for f in /proc/$$/fd/[3-9]; do\n"
        "  [ \"$(readlink \"$f\")\" = /dev/null ] && n=$((n+1))\n"
        "done\n"
        "{ if read -r line; then echo \"read $line\"; else echo nothing; fi\n"
        "  pwd; echo \"null $n\"; } > " +
        part + " && mv " + part + " \"" + out.toUtf8() + "\"\n";
    const QString script = WriteScript(dir.filePath(QStringLiteral("reader.sh")), body);
    patchwell::platform::SealedCopy copy(script);
    ASSERT_TRUE(copy.valid());
    // Our own standard input has lines to give while the children start.
    int lines[2];
    ASSERT_EQ(::pipe(lines), 0);
    ASSERT_EQ(::write(lines[1], "ours\nours\nours\n", 15), 15);
    ::close(lines[1]);
    const int savedInput = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    ::dup2(lines[0], STDIN_FILENO);
    ::close(lines[0]);

    DetachedProcessLauncher launcher;
    const QString missing = dir.filePath(QStringLiteral("no such folder"));
    const struct {
        const char* name;
        std::function<bool(const QString& folder)> start;
    } starts[] = {
        {"Run", [&](const QString& f) { return launcher.Run(script, {}, f).succeeded(); }},
        {"RunFromDescriptor",
         [&](const QString& f) {
             return launcher.RunFromDescriptor(copy.fd(), {}, f).succeeded();
         }},
        {"StartDetachedFromDescriptor",
         [&](const QString& f) { return launcher.StartDetachedFromDescriptor(copy.fd(), {}, f); }},
    };
    for (const auto& s : starts) {
        SCOPED_TRACE(s.name);
        QFile::remove(out);
        EXPECT_FALSE(s.start(missing));
        EXPECT_FALSE(QFile::exists(out));
        ASSERT_TRUE(s.start(dir.path()));
        ASSERT_TRUE(pwtest::waitFor([&] { return QFile::exists(out); }));
        EXPECT_EQ(ReadAll(out), "nothing\n" + dir.path().toUtf8() + "\nnull 0\n");
    }
    ::dup2(savedInput, STDIN_FILENO);
    ::close(savedInput);
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

TEST(LockFileInstanceGuard, WithoutARuntimeFolderTheLockIsInAFolderOfTheUsersOwn) {
    QTemporaryDir tmp;
    QTemporaryDir apps;
    QTemporaryDir cache;
    QTemporaryDir linked;
    ASSERT_TRUE(tmp.isValid() && apps.isValid() && cache.isValid() && linked.isValid());
    const QString exe = WriteScript(apps.filePath(QStringLiteral("patchwell")), "exit 0\n");
    ASSERT_TRUE(QFile::setPermissions(exe, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadOther | QFileDevice::ExeOther));
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray temp = qgetenv("TMPDIR");
    const QByteArray cacheHome = qgetenv("XDG_CACHE_HOME");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    // The user's own cache folder, left open to others: closed before use.
    const QString folder = cache.filePath(QStringLiteral("patchwell"));
    ASSERT_EQ(::mkdir(QFile::encodeName(folder).constData(), 0755), 0);
    // Another user holds the executable, which everyone may open: that
    // blocks nothing now.
    const int other = ::open(QFile::encodeName(exe).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);

    LockFileInstanceGuard first(exe);
    LockFileInstanceGuard second(apps.filePath(QStringLiteral("./patchwell")));
    const bool claimed = first.TryClaim();
    const bool claimedTwice = second.TryClaim();
    struct stat info {};
    const int statted = ::lstat(QFile::encodeName(folder).constData(), &info);

    // Passed over in turn, each a link as a folder another user made first
    // would be: XDG_CACHE_HOME's, the home's cache folder, the temporary
    // folder's; only then is the executable locked.
    QTemporaryDir home;
    const QByteArray homeBefore = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    ASSERT_TRUE(QFile::link(tmp.path(), linked.filePath(QStringLiteral("patchwell"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(linked.path()));
    const QString homeCache = home.filePath(QStringLiteral(".cache/patchwell"));
    const QString tempFolder = tmp.filePath(QStringLiteral("patchwell-%1").arg(::getuid()));
    QStringList passedOver;
    for (const QString& unusable : {homeCache, tempFolder, QString()}) {
        passedOver << QFileInfo(LockFileInstanceGuard(exe).LockPath()).path();
        if (!unusable.isEmpty()) {
            QDir(unusable).removeRecursively();
            EXPECT_TRUE(QFile::link(apps.path(), unusable));
        }
    }
    ::close(other);
    runtime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime);
    temp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temp);
    cacheHome.isNull() ? qunsetenv("XDG_CACHE_HOME") : qputenv("XDG_CACHE_HOME", cacheHome);
    qputenv("HOME", homeBefore);

    EXPECT_EQ(passedOver, (QStringList{homeCache, tempFolder, QFileInfo(exe).canonicalPath()}));
    EXPECT_TRUE(claimed);
    EXPECT_FALSE(claimedTwice);
    EXPECT_EQ(QFileInfo(first.LockPath()).path(), folder);
    ASSERT_EQ(statted, 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, ::geteuid());
    // No file beside the program.
    EXPECT_EQ(QDir(apps.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("patchwell")});
}

TEST(LockFileInstanceGuard, OnlyALiveHolderBlocksAndStartedProgramsDoNotInheritTheLock) {
    QTemporaryDir locks;
    QTemporaryDir dir;
    const QString exe = QStringLiteral("/opt/app/patchwell");
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const QString pidFile = dir.filePath(QStringLiteral("served.pid"));
    const QString served =
        WriteScript(dir.filePath(QStringLiteral("served.sh")),
                    "echo $$ > \"" + pidFile.toUtf8() + "\"; exec sleep 30 >/dev/null 2>&1\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LockFileInstanceGuard holder(exe, locks.path());
        const char claimed = holder.TryClaim() ? 'y' : 'n';
        // The holder starts a long-running program, as patchwell starts the
        // served program, and then waits to be told to end.
        DetachedProcessLauncher().StartDetached(served, {}, dir.path());
        [[maybe_unused]] ssize_t n = ::write(fromChild[1], &claimed, 1);
        char go = 0;
        n = ::read(toChild[0], &go, 1);
        ::_exit(0);  // without releasing, as a crashed instance would
    }
    char claimed = 0;
    ASSERT_EQ(::read(fromChild[0], &claimed, 1), 1);
    EXPECT_EQ(claimed, 'y');

    LockFileInstanceGuard second(exe, locks.path());
    EXPECT_FALSE(second.TryClaim());  // the holder is alive

    ASSERT_EQ(::write(toChild[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    // The holder is gone, the program it started still runs: the lock file
    // stays, and its lock is free all the same.
    ASSERT_TRUE(pwtest::waitFor([&] { return !ReadAll(pidFile).trimmed().isEmpty(); }));
    const pid_t servedPid = ReadAll(pidFile).trimmed().toInt();
    EXPECT_EQ(::kill(servedPid, 0), 0);
    EXPECT_TRUE(QFile::exists(second.LockPath()));
    EXPECT_TRUE(second.TryClaim());
    ::kill(servedPid, SIGKILL);
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) {
        ::close(fd);
    }
}

TEST(SealedCopy, RunsTheCopiedBytesWhateverHappensToTheFileAfterwards) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("app folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const QString script = WriteRecorder(dir.filePath(QStringLiteral("setup.sh")), out, "original");

    patchwell::platform::SealedCopy copy(script);
    ASSERT_TRUE(copy.valid());
    // The file on disk changes after the copy; the copy itself cannot.
    WriteScript(script, "echo replaced > \"" + out.toUtf8() + "\"\n");
    EXPECT_LT(::write(copy.fd(), "x", 1), 0);
    EXPECT_LT(::ftruncate(copy.fd(), 1), 0);

    DetachedProcessLauncher launcher;
    ASSERT_TRUE(
        launcher.StartDetachedFromDescriptor(copy.fd(), {QStringLiteral("/auto"), folder}, folder));
    ASSERT_TRUE(pwtest::waitFor([&] { return QFile::exists(out); }));
    EXPECT_EQ(ReadAll(out),
              "original\n</auto>\n<" + folder.toUtf8() + ">\n" + folder.toUtf8() + "\n");

    // Content that the kernel cannot run, and no copy at all.
    QFile text(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("just text\n");
    text.close();
    patchwell::platform::SealedCopy textCopy(text.fileName());
    ASSERT_TRUE(textCopy.valid());
    EXPECT_FALSE(launcher.StartDetachedFromDescriptor(textCopy.fd(), {}, folder));
    EXPECT_FALSE(launcher.StartDetachedFromDescriptor(-1, {}, folder));
    EXPECT_FALSE(patchwell::platform::SealedCopy(dir.filePath(QStringLiteral("gone"))).valid());
    EXPECT_FALSE(patchwell::platform::SealedCopy(dir.path()).valid());

    // A copy written by a function is sealed once it is written, and none
    // is left of a function that fails.
    const QByteArray made = "#!/bin/sh\necho made\n";
    patchwell::platform::SealedCopy written([&](int fd) {
        return ::write(fd, made.constData(), static_cast<size_t>(made.size())) == made.size();
    });
    ASSERT_TRUE(written.valid());
    EXPECT_LT(::write(written.fd(), "x", 1), 0);
    char back[64] = {};
    EXPECT_EQ(::pread(written.fd(), back, sizeof back, 0), made.size());
    EXPECT_EQ(QByteArray(back), made);
    // Some bytes written, then a failure.
    EXPECT_FALSE(
        patchwell::platform::SealedCopy([](int fd) { return ::write(fd, "part", 4) < 0; }).valid());
}

// Where memory files may not be executed: the copy on disk goes to the
// first folder fit for it, is gone from it once open, and runs.
TEST(PrivateFileCopy, GoesToTheFirstPrivateFolderAndLeavesNothingBehind) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString runtime = dir.filePath(QStringLiteral("runtime"));
    const QString cache = dir.filePath(QStringLiteral("cache"));
    ASSERT_TRUE(QDir().mkpath(runtime) && QDir().mkpath(dir.filePath(QStringLiteral("other"))));
    ASSERT_EQ(::chmod(QFile::encodeName(runtime).constData(), 0700), 0);
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const QByteArray script = "#!/bin/sh\necho \"$1\" > \"" + out.toUtf8() + "\"\n";
    const QByteArray saved[] = {qgetenv("XDG_RUNTIME_DIR"), qgetenv("XDG_CACHE_HOME")};
    struct Case {
        const char* name;
        bool runtimeSet, runtimeLinked, cacheUsable, fills;
        const char* expected;  // the folder the copy is made in, or null
    };
    const Case cases[] = {
        {"the runtime folder", true, false, true, true, "runtime/patchwell"},
        {"no runtime folder", false, false, true, true, "cache/patchwell"},
        {"a link to another folder", true, true, true, true, "cache/patchwell"},
        {"no folder at all", true, true, false, true, nullptr},
        {"a failed write", true, false, true, false, nullptr},
    };
    DetachedProcessLauncher launcher;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const QString& path : {runtime + QStringLiteral("/patchwell"), cache}) {
            QDir(path).removeRecursively();
            QFile::remove(path);
        }
        ASSERT_TRUE(!c.runtimeLinked || QFile::link(dir.filePath(QStringLiteral("other")),
                                                    runtime + QStringLiteral("/patchwell")));
        ASSERT_TRUE(c.cacheUsable || QFile(cache).open(QIODevice::WriteOnly));  // a file there
        qputenv("XDG_RUNTIME_DIR", c.runtimeSet ? runtime.toUtf8() : QByteArray());
        qputenv("XDG_CACHE_HOME", cache.toUtf8());
        const int fd = patchwell::platform::PrivateFileCopy(
            [&](int to) {
                return c.fills && ::write(to, script.constData(), script.size()) == script.size();
            },
            true);
        QDirIterator left(dir.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                          QDirIterator::Subdirectories);
        while (left.hasNext()) {
            EXPECT_FALSE(left.next().contains(QStringLiteral(".run-")))
                << left.filePath().toStdString();
        }
        if (c.expected == nullptr) {
            EXPECT_LT(fd, 0);
            continue;
        }
        ASSERT_GE(fd, 0);
        const QString where = QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(fd));
        EXPECT_TRUE(
            where.startsWith(dir.filePath(QLatin1String(c.expected)) + QStringLiteral("/.run-")) &&
            where.endsWith(QStringLiteral(" (deleted)")))
            << where.toStdString();
        struct stat info {};
        ASSERT_EQ(::fstat(fd, &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700U);
        EXPECT_EQ(::fcntl(fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
        EXPECT_LT(::write(fd, "x", 1), 0);
        EXPECT_TRUE(
            launcher.RunFromDescriptor(fd, {QStringLiteral("ran")}, dir.path()).succeeded());
        EXPECT_EQ(ReadAll(out), "ran\n");
        ::close(fd);
    }

    // What a run killed while writing its copy left goes with the next copy;
    // a copy another run is writing now stays.
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    const QString stale = runtime + QStringLiteral("/patchwell/.run-killed");
    const QString busy = runtime + QStringLiteral("/patchwell/.run-busy");
    for (const QString& path : {stale, busy}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const struct timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(stale).constData(), anHourAgo, 0), 0);
    const int fd = patchwell::platform::PrivateFileCopy(
        [&](int to) { return ::write(to, script.constData(), script.size()) == script.size(); },
        true);
    EXPECT_GE(fd, 0);
    ::close(fd);
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_TRUE(QFile::exists(busy));
    qputenv("XDG_RUNTIME_DIR", saved[0]);
    qputenv("XDG_CACHE_HOME", saved[1]);
}

TEST(IdentityFrom, OnlyAnImageWithoutAFileOfItsOwnTakesTheFrontsWord) {
    const QString front = QStringLiteral("/opt/app/patchwell");
    // Standing for the front, the program is the front's file; otherwise it
    // is what /proc/self/exe names.
    struct Case {
        const char* self;
        bool selfExists;
        bool frontSpoke;
        bool standsForFront;
    };
    const Case cases[] = {
        // Run from memory: the front's word, and without it the memory's name.
        {"/memfd:patchwell (deleted)", false, true, true},
        {"/memfd:patchwell (deleted)", false, false, false},
        // Memory's name stands even where a file of that name exists.
        {"/memfd:patchwell (deleted)", true, true, true},
        // A private copy removed once open is as nameless as memory.
        {"/tmp/pw-copy (deleted)", false, true, true},
        // A program run from its own file is that file, whatever it is told;
        // also one whose name merely ends like a removed file's.
        {"/usr/bin/patchwell", true, true, false},
        {"/usr/bin/patchwell", true, false, false},
        {"/srv/x (deleted)", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.self) + (c.frontSpoke ? " with" : " without") +
                     " the front's word");
        const QString self = QString::fromLatin1(c.self);
        const patchwell::platform::ProgramIdentity identity =
            patchwell::platform::IdentityFrom(self, c.selfExists, c.frontSpoke ? front : QString());
        EXPECT_EQ(identity.executable, c.standsForFront ? front : self);
        EXPECT_EQ(identity.standsForFront, c.standsForFront);
    }
}

TEST(TerminationSignals, DeliversEachSignalThroughTheEventLoop) {
    int argc = 1;
    char name[] = "platform_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    common::TerminationSignals termination;
    QSignalSpy spy(&termination, &common::TerminationSignals::Requested);
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        ASSERT_EQ(::raise(number), 0);  // would end the test without the handler
    }
    ASSERT_TRUE(pwtest::waitFor([&] { return spy.count() >= 3; }));
    EXPECT_EQ(spy.at(0).at(0).toInt(), SIGTERM);
    EXPECT_EQ(spy.at(1).at(0).toInt(), SIGINT);
    EXPECT_EQ(spy.at(2).at(0).toInt(), SIGHUP);
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
