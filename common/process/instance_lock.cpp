#include "common/process/instance_lock.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace common {

InstanceLock::~InstanceLock() {
    ::close(fd_);
}

std::unique_ptr<InstanceLock> InstanceLock::Acquire(const QString& path) {
    return Lock(::open(QFile::encodeName(path).constData(),
                       O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
}

std::unique_ptr<InstanceLock> InstanceLock::AcquireExisting(const QString& path) {
    // flock takes an exclusive lock on a descriptor of any access mode.
    return Lock(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
}

std::unique_ptr<InstanceLock> InstanceLock::Lock(int fd) {
    if (fd < 0) {
        return nullptr;
    }
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd));
}

}  // namespace common
