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
// reused by the next run. Without a runtime folder the file is in the user's
// own cache folder (made 0700, owner checked); only when that cannot be had
// is the executable file itself locked (read-only descriptor). A shared
// folder such as /tmp, where another user could plant the lock file first, is
// never used.
class LockFileInstanceGuard : public InstanceGuard {
public:
    // `executablePath`: the running program's file; `lockFolder`: empty for the
    // user's runtime folder, else the user's cache folder.
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
