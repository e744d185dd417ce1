#pragma once

#include <QString>

#include <memory>

#include "common/process/instance_lock.h"

namespace patchwell::platform {

// Tells whether another instance of this same executable is running.
class InstanceGuard {
public:
    virtual ~InstanceGuard() = default;
    // Claims the instance slot for this process. False when another running
    // instance of the same executable holds it.
    virtual bool TryClaim() = 0;
};

// An flock on a file in the user's runtime folder, named after a hash of the
// executable's canonical path, so two copies of the program in two folders do
// not see each other. The kernel drops the lock when the process ends however
// it ends, so no stale lock can block a start; the file itself stays and is
// reused by the next run. Without a runtime folder the file is in another
// folder of the user's own (common::InstanceLockFolder: the cache folder's
// patchwell, else the temporary folder's patchwell-<uid>, each made 0700 and
// owner checked); only when none can be had is the executable file itself
// locked (read-only descriptor).
class LockFileInstanceGuard : public InstanceGuard {
public:
    // `executablePath`: the running program's file; `lockFolder`: empty for
    // the folder common::InstanceLockFolder chooses.
    explicit LockFileInstanceGuard(QString executablePath, QString lockFolder = {});
    ~LockFileInstanceGuard() override;

    bool TryClaim() override;
    QString LockPath() const;

private:
    QString lockPath_;
    bool lockExecutable_ = false;
    std::unique_ptr<common::InstanceLock> lock_;
};

}  // namespace patchwell::platform
