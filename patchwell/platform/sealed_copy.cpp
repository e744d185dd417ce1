#include "patchwell/platform/sealed_copy.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace

SealedCopy::SealedCopy(const QString& path) {
    const int source = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (source < 0) {
        return;
    }
    struct stat info {};
    const int copy = ::memfd_create("patchwell-installer", MFD_ALLOW_SEALING);
    const bool ok =
        copy >= 0 && ::fstat(source, &info) == 0 && S_ISREG(info.st_mode) &&
        CopyAll(source, copy) &&
        ::fcntl(copy, F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0;
    ::close(source);
    if (!ok) {
        if (copy >= 0) {
            ::close(copy);
        }
        return;
    }
    fd_ = copy;
}

SealedCopy::~SealedCopy() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace patchwell::platform
