#include "patchwell/platform/whole_program.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace patchwell::platform {

namespace {

constexpr char kFrontVariable[] = "PATCHWELL_FRONT_EXECUTABLE";

bool WriteAll(int fd, const unsigned char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

void ExecImage(const unsigned char* image, std::size_t size, char* argv[],
               const QString& executable) {
    // Close-on-exec: the kernel has read the image before it closes the file.
    const int fd = ::memfd_create("patchwell", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) {
        return;
    }
    // A file size limit is the user's for the files the program writes, not
    // for its own image: the soft limit is lifted (as far as the hard one
    // allows) while the image is written, and is the whole program's again.
    rlimit limit{};
    const bool limited = ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
    if (limited) {
        rlimit lifted = limit;
        lifted.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_FSIZE, &lifted);
    }
    const bool written = WriteAll(fd, image, size);
    if (limited) {
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (!written ||
        ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) != 0 ||
        ::setenv(kFrontVariable, QFile::encodeName(executable).constData(), 1) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return;
    }
    ::fexecve(fd, argv, environ);
    const int error = errno;
    ::unsetenv(kFrontVariable);
    ::close(fd);
    errno = error;
}

QString RunningExecutable() {
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    const QByteArray front = qgetenv(kFrontVariable);
    ::unsetenv(kFrontVariable);
    // Only an image in memory takes the front's word; a program started from
    // a file is that file, whatever its environment says.
    if (self.startsWith(QLatin1String("/memfd:")) && !front.isEmpty()) {
        const QString path = QFileInfo(QFile::decodeName(front)).canonicalFilePath();
        ::prctl(PR_SET_NAME, QFileInfo(path).fileName().left(15).toLocal8Bit().constData());
        return path;
    }
    return QFileInfo(self).canonicalFilePath();
}

}  // namespace patchwell::platform
