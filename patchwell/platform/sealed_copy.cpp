#include "patchwell/platform/sealed_copy.h"

#include <QFile>

#include <cerrno>
#include <functional>

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "patchwell/platform/executable_copy.h"

namespace patchwell::platform {

namespace {

bool CopyAll(int from, int to) {
    for (;;) {
        const ssize_t sent = ::sendfile(to, from, nullptr, 1 << 30);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0) {
            return false;
        }
        if (sent == 0) {
            return true;
        }
    }
}

// Fills the memory file `copy` and seals it against every change.
bool Seal(int copy, const std::function<bool(int)>& fill) {
    return fill(copy) && ::fcntl(copy, F_ADD_SEALS,
                                 F_SEAL_WRITE | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0;
}

}  // namespace

SealedCopy::SealedCopy(const QString& path) {
    const int source = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (source >= 0) {
        fd_ = CopyOf(source);
        ::close(source);
    }
}

SealedCopy::SealedCopy(int source) : fd_(CopyOf(source)) {}

int SealedCopy::CopyOf(int source) {
    struct stat info {};
    if (source < 0 || ::fstat(source, &info) != 0 || !S_ISREG(info.st_mode)) {
        return -1;
    }
    return Make(
        [source](int to) { return ::lseek(source, 0, SEEK_SET) == 0 && CopyAll(source, to); });
}

SealedCopy::SealedCopy(const std::function<bool(int fd)>& fill) : fd_(Make(fill)) {}

int SealedCopy::Make(const std::function<bool(int fd)>& fill) {
    int copy = ExecutableMemoryFile("patchwell-installer", false);
    bool onDisk = false;
    if (copy < 0 && errno == EACCES) {
        // No memory file may be executed here: a private file's copy, which
        // no one else can change either.
        copy = PrivateFileCopy(fill, false);
        onDisk = copy >= 0;
        if (!onDisk) {
            // Still one to check (the installer then cannot be started).
            copy = ReadOnlyMemoryFile("patchwell-installer", false);
        }
    }
    if (copy >= 0 && (onDisk || Seal(copy, fill))) {
        return copy;
    }
    if (copy >= 0) {
        ::close(copy);
    }
    return -1;
}

SealedCopy::~SealedCopy() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace patchwell::platform
