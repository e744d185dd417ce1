#pragma once

// Starting a program that outlives us: a grandchild in a session of its own,
// never ours to wait for. The caller says how the grandchild executes (its
// folder, descriptors, the exec call); this file owns the two forks and the
// report of a failed exec, so every detached start reads the same.

#include <sys/types.h>

namespace common {

// Writes `error` (an errno) to the report pipe and ends the child. For the
// code between fork and exec: async-signal-safe.
[[noreturn]] void ReportExecFailure(int report, int error);

// Reads the report pipe to its end and closes it: more than 0 when the child
// reported a failed exec, 0 when exec closed the pipe unwritten.
ssize_t ReadExecReport(int report);

// Runs `exec(report)` in a grandchild in a session of its own. `exec` must
// only make async-signal-safe calls, end in an exec, and call
// ReportExecFailure when anything fails. True once the program has been
// executed.
template <typename Exec>
bool StartDetached(Exec&& exec);

namespace detail {
// The forks and the wait, with the grandchild's step as a plain function.
bool StartDetached(void (*exec)(void* context, int report), void* context);
}  // namespace detail

template <typename Exec>
bool StartDetached(Exec&& exec) {
    return detail::StartDetached(
        [](void* context, int report) { (*static_cast<Exec*>(context))(report); },
        static_cast<void*>(&exec));
}

}  // namespace common
