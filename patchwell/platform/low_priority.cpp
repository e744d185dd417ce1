#include "patchwell/platform/low_priority.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace patchwell::platform {

namespace {

// The kernel's I/O priority encoding (linux/ioprio.h): the class in the
// bits above the 13 of the level.
constexpr int kIoprioWhoProcess = 1;
constexpr int kIoprioClassIdle = 3;
constexpr int kIoprioClassShift = 13;

// With the scheduler's automatic groups (one per session), a nice value
// counts only against the processes of its own group: a background process
// in a session of its own gives its group the lowest priority too. Nothing
// to do where the kernel has no such groups.
void LowerOwnSessionGroup() {
    if (::getsid(0) != ::getpid() && ::setsid() == -1) {
        return;  // the group is shared with others: left as it is
    }
    const int fd = ::open("/proc/self/autogroup", O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(fd, "19", 2);
        ::close(fd);
    }
}

}  // namespace

bool LowerOwnPriority() {
    LowerOwnSessionGroup();
    const bool nice = ::setpriority(PRIO_PROCESS, 0, 19) == 0;
    const bool idle =
        ::syscall(SYS_ioprio_set, kIoprioWhoProcess, 0, kIoprioClassIdle << kIoprioClassShift) == 0;
    return nice && idle;
}

}  // namespace patchwell::platform
