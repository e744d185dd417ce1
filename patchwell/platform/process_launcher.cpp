#include "patchwell/platform/process_launcher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/process/detached_start.h"

Q_LOGGING_CATEGORY(lcLaunch, "patchwell.launch", QtWarningMsg)

namespace patchwell::platform {

bool DetachedProcessLauncher::StartDetached(const QString& program, const QStringList& arguments,
                                            const QString& workingFolder) {
    // QProcess would search PATH for a bare name; the programs we start are
    // always files at a known place, so refuse anything that is not one.
    const QFileInfo info(program);
    if (!info.isFile()) {
        return false;
    }
    QProcess process;
    process.setProgram(info.absoluteFilePath());
    process.setArguments(arguments);
    process.setWorkingDirectory(workingFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

namespace {

// A program's argument vector, made before fork: after it, the child may
// only make async-signal-safe calls.
class Command {
public:
    Command(std::string program, const QStringList& arguments, const QString& workingFolder)
        : program_(std::move(program)), folder_(QFile::encodeName(workingFolder)) {
        for (const QString& argument : arguments) {
            texts_.push_back(QFile::encodeName(argument));
        }
        argv_.push_back(program_.data());
        for (QByteArray& text : texts_) {
            argv_.push_back(text.data());
        }
        argv_.push_back(nullptr);
    }
    const char* program() const { return program_.c_str(); }
    char* const* argv() const { return argv_.data(); }
    const char* folder() const { return folder_.constData(); }

private:
    std::string program_;
    std::vector<QByteArray> texts_;
    std::vector<char*> argv_;
    QByteArray folder_;
};

// The child's side between fork and exec: standard input from /dev/null, the
// command's working folder, `keepFd` (when not -1) kept open across exec, then
// the program. A failure before or at exec is written to `reportFd` as errno.
// Only async-signal-safe calls: nothing here allocates.
[[noreturn]] void ExecChild(const Command& command, int keepFd, int reportFd) {
    // Opened close-on-exec, so that only its copy on standard input reaches
    // the program (dup2 clears the flag on the copy).
    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null > STDIN_FILENO) {
        ::dup2(null, STDIN_FILENO);
    } else if (null == STDIN_FILENO) {
        ::fcntl(STDIN_FILENO, F_SETFD, 0);
    }
    if (::chdir(command.folder()) != 0) {
        common::ReportExecFailure(reportFd, errno);
    }
    if (keepFd >= 0) {
        // Kept open across exec: an interpreter started for a script reopens
        // the program through this descriptor.
        ::fcntl(keepFd, F_SETFD, 0);
    }
    ::execv(command.program(), command.argv());
    common::ReportExecFailure(reportFd, errno);
}

// The processes whose parent is this process, from /proc/N/stat ("N (name)
// S PPID ...").
std::vector<pid_t> OwnChildren() {
    std::vector<pid_t> children;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return children;
    }
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0') {
            continue;
        }
        const std::string path = std::string("/proc/") + entry->d_name + "/stat";
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        char text[512];
        const ssize_t got = ::read(fd, text, sizeof text - 1);
        ::close(fd);
        if (got <= 0) {
            continue;
        }
        text[got] = '\0';
        // The name may hold blanks and parentheses: the state follows the last ')'.
        const char* close = std::strrchr(text, ')');
        if (close != nullptr && std::strlen(close) > 4 && std::atol(close + 4) == self) {
            children.push_back(static_cast<pid_t>(pid));
        }
    }
    ::closedir(proc);
    return children;
}

// Waits, with the events served, until no child of ours is left but those
// in `before`, reaping each as it ends: while we are the subreaper, the
// processes an installer left behind come to us as their parents end. False
// when some still run after `limit`.
bool WaitForDescendants(const std::vector<pid_t>& before, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        bool left = false;
        for (const pid_t pid : OwnChildren()) {
            if (std::find(before.begin(), before.end(), pid) != before.end()) {
                continue;
            }
            left = true;
            int status = 0;
            ::waitpid(pid, &status, WNOHANG);
        }
        if (!left) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        if (QCoreApplication::instance() != nullptr) {
            QEventLoop loop;
            QTimer::singleShot(50, &loop, &QEventLoop::quit);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        } else {
            ::usleep(50 * 1000);
        }
    }
}

// Runs `command` as our child (with `keepFd` inherited when not -1) and waits
// for its end with the event loop running.
ProgramEnd RunOwnChild(const Command& command, int keepFd) {
    // The child reports a failed exec through this pipe; a successful exec
    // closes it unwritten.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        ExecChild(command, keepFd, report[1]);
    }
    ::close(report[1]);
    if (child < 0) {
        ::close(report[0]);
        return {};
    }
    const ssize_t got = common::ReadExecReport(report[0]);

    int status = 0;
    bool reaped = false;
    bool known = false;
    QEventLoop loop;
    const auto reap = [&] {
        pid_t result = 0;
        do {
            result = ::waitpid(child, &status, WNOHANG);
        } while (result < 0 && errno == EINTR);
        if (result != 0) {
            reaped = true;
            known = result == child;
            loop.quit();
        }
    };
    reap();
    if (!reaped && QCoreApplication::instance() == nullptr) {
        // No event loop to serve: wait plainly.
        pid_t result = 0;
        do {
            result = ::waitpid(child, &status, 0);
        } while (result < 0 && errno == EINTR);
        reaped = true;
        known = result == child;
    }
    if (!reaped) {
        // A pidfd becomes readable when the child ends; without one (an old
        // kernel) we look every 50 ms.
        const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
        QTimer poll;
        std::unique_ptr<QSocketNotifier> notifier;
        if (pidfd >= 0) {
            notifier = std::make_unique<QSocketNotifier>(pidfd, QSocketNotifier::Read);
            QObject::connect(notifier.get(), &QSocketNotifier::activated, &loop, reap);
        } else {
            QObject::connect(&poll, &QTimer::timeout, &loop, reap);
            poll.start(50);
        }
        while (!reaped) {
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        notifier.reset();
        if (pidfd >= 0) {
            ::close(pidfd);
        }
    }
    if (got > 0) {
        return {};
    }
    if (!known) {
        // Reaped elsewhere: the end is unknown, and nothing says it failed.
        return {ProgramEnd::Kind::Exited, 0};
    }
    if (WIFSIGNALED(status)) {
        return {ProgramEnd::Kind::Killed, WTERMSIG(status)};
    }
    return {ProgramEnd::Kind::Exited, WEXITSTATUS(status)};
}

// RunOwnChild, then the wait for whatever the program left running: a
// program that forks and ends may leave a child still at work (an installer
// still writing the program folder).
ProgramEnd RunChild(const Command& command, int keepFd, std::chrono::milliseconds limit) {
    const std::vector<pid_t> before = OwnChildren();
    int wasSubreaper = 0;
    ::prctl(PR_GET_CHILD_SUBREAPER, &wasSubreaper);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1L);
    const ProgramEnd end = RunOwnChild(command, keepFd);
    if (end.kind != ProgramEnd::Kind::NotStarted && !WaitForDescendants(before, limit)) {
        qCWarning(lcLaunch) << "processes the program started still run after" << limit.count()
                            << "ms; going on without them";
    }
    ::prctl(PR_SET_CHILD_SUBREAPER, static_cast<long>(wasSubreaper));
    return end;
}

}  // namespace

bool SpawningLauncher::StartDetached(const QString& program, const QStringList& arguments,
                                     const QString& workingFolder) {
    const QFileInfo info(program);
    if (!info.isFile()) {
        return false;
    }
    const Command command(QFile::encodeName(info.absoluteFilePath()).toStdString(), arguments,
                          workingFolder);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, command.folder());
    pid_t pid = 0;
    // glibc's posix_spawn reports a failed exec as its result.
    const int result =
        ::posix_spawn(&pid, command.program(), &actions, nullptr, command.argv(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0;
}

ProgramEnd DetachedProcessLauncher::Run(const QString& program, const QStringList& arguments,
                                        const QString& workingFolder) {
    const QFileInfo info(program);
    if (!info.isFile()) {
        return {};
    }
    return RunChild(
        Command(QFile::encodeName(info.absoluteFilePath()).toStdString(), arguments, workingFolder),
        -1, descendantLimit_);
}

ProgramEnd DetachedProcessLauncher::RunFromDescriptor(int fd, const QStringList& arguments,
                                                      const QString& workingFolder) {
    if (fd < 0) {
        return {};
    }
    return RunChild(Command("/proc/self/fd/" + std::to_string(fd), arguments, workingFolder), fd,
                    descendantLimit_);
}

bool DetachedProcessLauncher::StartDetachedFromDescriptor(int fd, const QStringList& arguments,
                                                          const QString& workingFolder) {
    if (fd < 0) {
        return false;
    }
    // Everything the children need is made before fork: after it, only
    // async-signal-safe calls.
    const Command command("/proc/self/fd/" + std::to_string(fd), arguments, workingFolder);
    return common::StartDetached([&command, fd](int report) { ExecChild(command, fd, report); });
}

}  // namespace patchwell::platform
