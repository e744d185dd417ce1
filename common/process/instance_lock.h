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

private:
    explicit InstanceLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace common
