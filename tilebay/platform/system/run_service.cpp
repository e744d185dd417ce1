#include "tilebay/platform/system/run_service.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/process/detached_start.h"
#include "tilebay/platform/system/command_line.h"

namespace tilebay {
namespace {

bool IsExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

// What the started process is handed, made before fork: after it, the
// children make only async-signal-safe calls.
class ChildCommand {
public:
    ChildCommand(const QString& program, const QStringList& arguments, const QString& folder,
                 const QProcessEnvironment& environment)
        : program_(QFile::encodeName(program)), folder_(QFile::encodeName(folder)) {
        texts_.push_back(program_);
        for (const QString& argument : arguments) {
            texts_.push_back(QFile::encodeName(argument));
        }
        for (const QString& variable : environment.toStringList()) {
            variables_.push_back(QFile::encodeName(variable));
        }
        for (QByteArray& text : texts_) {
            argv_.push_back(text.data());
        }
        argv_.push_back(nullptr);
        for (QByteArray& variable : variables_) {
            envp_.push_back(variable.data());
        }
        envp_.push_back(nullptr);
    }
    const char* program() const { return program_.constData(); }
    const char* folder() const { return folder_.isEmpty() ? nullptr : folder_.constData(); }
    char* const* argv() const { return argv_.data(); }
    char* const* envp() const { return envp_.data(); }

private:
    QByteArray program_;
    QByteArray folder_;
    std::vector<QByteArray> texts_;
    std::vector<QByteArray> variables_;
    std::vector<char*> argv_;
    std::vector<char*> envp_;
};

// The started process between fork and exec: no signal blocked, the working
// folder, then the program, the file `fd` holds when it is not -1. A failure
// is written to `report` as errno; a successful exec closes it unwritten.
[[noreturn]] void ExecChild(const ChildCommand& command, int fd, int report) {
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (command.folder() != nullptr && ::chdir(command.folder()) != 0) {
        common::ReportExecFailure(report, errno);
    }
    if (fd >= 0) {
        // Kept open across exec: the interpreter of a script reads the
        // script through this descriptor (as /dev/fd/N).
        ::fcntl(fd, F_SETFD, 0);
        ::execveat(fd, "", command.argv(), command.envp(), AT_EMPTY_PATH);
    } else {
        ::execve(command.program(), command.argv(), command.envp());
    }
    common::ReportExecFailure(report, errno);
}

// Starts `command` as a grandchild in a session of its own, so that it
// outlives us and is never ours to wait for; true once it has been executed.
bool SpawnDetached(const ChildCommand& command, int fd) {
    return common::StartDetached([&command, fd](int report) { ExecChild(command, fd, report); });
}

}  // namespace

bool ProcessRunService::StartIn(const QString& text, const QString& workingFolder) {
    if (text.trimmed().isEmpty() ||
        (!workingFolder.isEmpty() && !QFileInfo(workingFolder).isDir())) {
        return false;
    }
    if (QDir::isAbsolutePath(text) && QFileInfo::exists(text)) {
        return IsExecutableFile(text) &&
               SpawnDetached(ChildCommand(text, {}, workingFolder, environment_), -1);
    }
    const std::optional<QStringList> words = SplitCommandLine(text);
    if (!words || words->isEmpty() || words->first().isEmpty()) {
        return false;
    }
    QString program = words->first();
    if (program.contains(u'/')) {
        if (!QDir::isAbsolutePath(program)) {
            return false;  // relative to whatever the current folder happens to be
        }
    } else {
        program = QStandardPaths::findExecutable(program);
        if (program.isEmpty()) {
            return false;
        }
    }
    if (!IsExecutableFile(program)) {
        return false;
    }
    return SpawnDetached(ChildCommand(program, words->mid(1), workingFolder, environment_), -1);
}

bool ProcessRunService::StartOpened(const OpenedProgram& program) {
    return program.file.get() >= 0 &&
           SpawnDetached(ChildCommand(program.path, {}, QString(), environment_),
                         program.file.get());
}

}  // namespace tilebay
