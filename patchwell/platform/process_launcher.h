#pragma once

#include <QString>
#include <QStringList>

namespace patchwell::platform {

// Starts programs as processes of their own that outlive us; we never wait
// for them or look at their exit codes.
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
};

// The real launcher: a detached child (double fork), so that ending this
// program at once leaves the started one running.
class DetachedProcessLauncher : public ProcessLauncher {
public:
    bool StartDetached(const QString& program, const QStringList& arguments,
                       const QString& workingFolder) override;
    bool StartDetachedFromDescriptor(int fd, const QStringList& arguments,
                                     const QString& workingFolder) override;
};

}  // namespace patchwell::platform
