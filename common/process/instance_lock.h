#pragma once

// An exclusive flock on a file, held for the life of the object. The kernel
// drops it when the holder ends in whatever way, so a crashed program never
// blocks the next start; the file stays and is reused. The descriptor is
// close-on-exec, so started programs do not carry the lock with them.

#include <QString>

#include <memory>

namespace common {

class InstanceLock {
public:
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // The lock on `path`, or nullptr when another process holds it (or the
    // file cannot be opened).
    static std::unique_ptr<InstanceLock> Acquire(const QString& path);

    // The lock on the existing file at `path` itself, opened read-only: no
    // file is created, so no folder needs to be writable, and nobody can
    // plant the file in advance. nullptr when another process holds it or
    // the file cannot be opened.
    static std::unique_ptr<InstanceLock> AcquireExisting(const QString& path);

private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    // Takes the lock on `fd` (closed when that fails); nullptr for fd < 0.
    static std::unique_ptr<InstanceLock> Lock(int fd);
    int fd_;
};

}  // namespace common
