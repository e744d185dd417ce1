#include "common/process/detached_start.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace common {

void ReportExecFailure(int report, int error) {
    [[maybe_unused]] const ssize_t written = ::write(report, &error, sizeof error);
    ::_exit(127);
}

ssize_t ReadExecReport(int report) {
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(report, &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report);
    return got;
}

namespace detail {

bool StartDetached(void (*exec)(void* context, int report), void* context) {
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
            ReportExecFailure(report[1], errno);
        }
        if (grandchild > 0) {
            ::_exit(0);
        }
        exec(context, report[1]);
        ReportExecFailure(report[1], ENOEXEC);
    }
    ::close(report[1]);
    if (child < 0) {
        ::close(report[0]);
        return false;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return ReadExecReport(report[0]) == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace detail
}  // namespace common
