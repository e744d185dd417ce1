#include "patchwell/platform/whole_program.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "common/files/whole_file.h"
#include "patchwell/platform/executable_copy.h"

namespace patchwell::platform {

namespace {

constexpr char kFrontVariable[] = "PATCHWELL_FRONT_EXECUTABLE";

// Writes the image into `fd`. A file size limit is the user's for the files
// the program writes, not for its own image: the soft limit is lifted (as far
// as the hard one allows) while the image is written, and is the whole
// program's again.
bool WriteImage(int fd, const unsigned char* image, std::size_t size) {
    rlimit limit{};
    const bool limited = ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
    if (limited) {
        rlimit lifted = limit;
        lifted.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_FSIZE, &lifted);
    }
    const bool written = common::WriteAll(fd, image, size);
    if (limited) {
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    return written;
}

// The file `fd` holds exactly the image.
bool HoldsImage(int fd, const unsigned char* image, std::size_t size) {
    std::vector<unsigned char> block(1 << 16);
    std::size_t at = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, block.data(), block.size(), static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got == 0 && at == size;
        }
        const auto length = static_cast<std::size_t>(got);
        if (length > size - at || std::memcmp(block.data(), image + at, length) != 0) {
            return false;
        }
        at += length;
    }
}

// Runs the program in `fd` in this process's place; returns errno when that
// fails, having closed `fd`.
int ExecAndClose(int fd, char* argv[]) {
    ::fexecve(fd, argv, environ);
    const int error = errno;
    ::close(fd);
    return error;
}

}  // namespace

void ExecImage(const unsigned char* image, std::size_t size, char* argv[],
               const QString& executable) {
    if (::setenv(kFrontVariable, QFile::encodeName(executable).constData(), 1) != 0) {
        return;
    }
    // Close-on-exec: the kernel has read the image before it closes the file.
    const int memory = ExecutableMemoryFile("patchwell", true);
    int error = errno;
    if (memory >= 0) {
        if (WriteImage(memory, image, size) &&
            ::fcntl(memory, F_ADD_SEALS,
                    F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) == 0) {
            error = ExecAndClose(memory, argv);
        } else {
            error = errno;
            ::close(memory);
        }
    }
    // Where memory files may not be executed (or the system refused this
    // one): a private file's copy, checked to hold the image.
    const int file = PrivateFileCopy([&](int fd) { return WriteImage(fd, image, size); }, true);
    if (file >= 0) {
        if (HoldsImage(file, image, size)) {
            error = ExecAndClose(file, argv);
        } else {
            ::close(file);
        }
    }
    ::unsetenv(kFrontVariable);
    errno = error;
}

QString ProgramIdentity::Folder() const {
    return QFileInfo(executable).path();
}

ProgramIdentity IdentityFrom(const QString& self, bool selfExists, const QString& front) {
    const bool nameless = self.startsWith(QLatin1String("/memfd:")) ||
                          (self.endsWith(QLatin1String(" (deleted)")) && !selfExists);
    if (nameless && !front.isEmpty()) {
        return {front, true};
    }
    return {self, false};
}

ProgramIdentity ReadProgramIdentity() {
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    ProgramIdentity identity =
        IdentityFrom(self, QFileInfo::exists(self), QFile::decodeName(qgetenv(kFrontVariable)));
    identity.executable = QFileInfo(identity.executable).canonicalFilePath();
    return identity;
}

void AdoptIdentity(const ProgramIdentity& identity) {
    ::unsetenv(kFrontVariable);
    if (identity.standsForFront) {
        ::prctl(PR_SET_NAME,
                QFileInfo(identity.executable).fileName().left(15).toLocal8Bit().constData());
    }
}

void WorkInFolder(const QString& folder) {
    if (::chdir(QFile::encodeName(folder).constData()) != 0 && ::chdir("/") != 0) {
        std::perror("patchwell: chdir");
    }
}

}  // namespace patchwell::platform
