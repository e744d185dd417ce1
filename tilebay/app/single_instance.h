#pragma once

// One tilebay per user and display: an exclusive lock (flock) on a file in
// $XDG_RUNTIME_DIR (else the temporary folder) whose name carries the
// display. The kernel drops the lock when its holder ends in whatever way, so
// a crashed panel never blocks the next one.

#include <QString>

#include <memory>

namespace tilebay {

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

// The lock file for `display` (":0", "host:1.0", empty for none) of the
// current user.
QString InstanceLockPath(const QString& runtimeDir, const QString& display);

}  // namespace tilebay
