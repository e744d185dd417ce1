#include "process_launcher.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

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

void ReportAndExit(int pipe, int error) {
    [[maybe_unused]] const ssize_t written = ::write(pipe, &error, sizeof error);
    ::_exit(127);
}

}  // namespace

bool DetachedProcessLauncher::StartDetachedFromDescriptor(int fd, const QStringList& arguments,
                                                          const QString& workingFolder) {
    if (fd < 0) {
        return false;
    }
    // Everything the children need is made before fork: after it, only
    // async-signal-safe calls.
    const std::string program = "/proc/self/fd/" + std::to_string(fd);
    std::vector<QByteArray> texts;
    for (const QString& argument : arguments) {
        texts.push_back(QFile::encodeName(argument));
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (QByteArray& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    const QByteArray folder = QFile::encodeName(workingFolder);

    // The grandchild reports a failed exec through this pipe; a successful
    // exec closes it unwritten.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild < 0) {
            ReportAndExit(report[1], errno);
        }
        if (grandchild > 0) {
            ::_exit(0);
        }
        const int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
        }
        if (::chdir(folder.constData()) != 0) {
            ReportAndExit(report[1], errno);
        }
        // Kept open across exec: an interpreter started for a script reopens
        // the program through this descriptor.
        ::fcntl(fd, F_SETFD, 0);
        ::execv(program.c_str(), argv.data());
        ReportAndExit(report[1], errno);
    }
    ::close(report[1]);
    if (child < 0) {
        ::close(report[0]);
        return false;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    return got == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace patchwell::platform
