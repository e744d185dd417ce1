#pragma once

#include <QString>
#include <QStringList>

#include <chrono>

namespace patchwell::platform {

// How a program that we waited for ended.
struct ProgramEnd {
    enum class Kind {
        NotStarted,  // no such file, not executable, exec failed
        Exited,      // `code` is its exit status
        Killed,      // `code` is the number of the signal that ended it
    };
    Kind kind = Kind::NotStarted;
    int code = 0;

    bool succeeded() const { return kind == Kind::Exited && code == 0; }
};

// Starts programs as processes of their own: either detached, outliving us and
// never waited for, or as a child that we wait for while the event loop runs.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;

    // Starts `program` with `arguments`, each handed over whole (no shell, no
    // splitting at blanks), in `workingFolder`. False when it could not be
    // started (missing file, not executable, ...).
    virtual bool StartDetached(const QString& program, const QStringList& arguments,
                               const QString& workingFolder) = 0;

    // The same for the program held by the open descriptor `fd`: it is run
    // as /proc/self/fd/N with the descriptor inherited, so what runs is what
    // the descriptor holds, whatever happens to any file name meanwhile.
    virtual bool StartDetachedFromDescriptor(int fd, const QStringList& arguments,
                                             const QString& workingFolder) = 0;

    // Runs `program` like StartDetached, as our child, and returns once it
    // and every process it started has ended (a program that forks and exits
    // may leave a child at work); the end reported is the program's own.
    // Meanwhile the event loop runs (windows paint, timers and socket
    // notifiers fire; user input waits), so nothing blocks the window thread.
    virtual ProgramEnd Run(const QString& program, const QStringList& arguments,
                           const QString& workingFolder) = 0;
    // The same for the program held by the open descriptor `fd` (see
    // StartDetachedFromDescriptor).
    virtual ProgramEnd RunFromDescriptor(int fd, const QStringList& arguments,
                                         const QString& workingFolder) = 0;
};

// The real launcher: a detached child (double fork), so that ending this
// program at once leaves the started one running; or, for Run, a plain child
// whose end is watched through a pidfd. While it runs this process is the
// subreaper of its tree, so that what it leaves behind comes back to us to be
// waited for, at most `descendantLimit` after its own end.
class DetachedProcessLauncher : public ProcessLauncher {
public:
    explicit DetachedProcessLauncher(
        std::chrono::milliseconds descendantLimit = std::chrono::minutes(2))
        : descendantLimit_(descendantLimit) {}

    bool StartDetached(const QString& program, const QStringList& arguments,
                       const QString& workingFolder) override;
    bool StartDetachedFromDescriptor(int fd, const QStringList& arguments,
                                     const QString& workingFolder) override;
    ProgramEnd Run(const QString& program, const QStringList& arguments,
                   const QString& workingFolder) override;
    ProgramEnd RunFromDescriptor(int fd, const QStringList& arguments,
                                 const QString& workingFolder) override;

private:
    std::chrono::milliseconds descendantLimit_;
};

// For a process that ends right after its start of a program: the program is
// spawned without a copy of this process's memory (posix_spawn), with no
// input, and is handed to the system's reaper when this process ends.
class SpawningLauncher : public DetachedProcessLauncher {
public:
    bool StartDetached(const QString& program, const QStringList& arguments,
                       const QString& workingFolder) override;
};

}  // namespace patchwell::platform
