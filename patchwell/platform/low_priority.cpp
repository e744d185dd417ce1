#include "patchwell/platform/low_priority.h"

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

}  // namespace

bool LowerOwnPriority() {
    const bool nice = ::setpriority(PRIO_PROCESS, 0, 19) == 0;
    const bool idle =
        ::syscall(SYS_ioprio_set, kIoprioWhoProcess, 0, kIoprioClassIdle << kIoprioClassShift) == 0;
    return nice && idle;
}

}  // namespace patchwell::platform
