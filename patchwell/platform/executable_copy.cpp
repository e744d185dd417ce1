#include "patchwell/platform/executable_copy.h"

#include <QFile>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "patchwell/platform/user_folders.h"

// Linux 6.3: memory files are executable or not by choice.
#ifndef MFD_NOEXEC_SEAL
#define MFD_NOEXEC_SEAL 0x0008U
#endif
#ifndef MFD_EXEC
#define MFD_EXEC 0x0010U
#endif

namespace patchwell::platform {

namespace {

unsigned MemoryFileFlags(bool closeOnExec) {
    return MFD_ALLOW_SEALING | (closeOnExec ? MFD_CLOEXEC : 0U);
}

// The folders a copy on disk may go to, best first: the runtime folder lives
// in memory and goes with the session.
QStringList CopyFolders() {
    QStringList folders;
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!runtime.isEmpty()) {
            folders << runtime + QStringLiteral("/patchwell");
        }
    }
    folders << UserCacheFolder();
    return folders;
}

// A descriptor of the folder `path` (made when missing) when it is this
// user's, closed to everyone else and on a file system that lets programs
// run; else -1. Everything after goes through the descriptor, so the folder
// cannot be swapped for another meanwhile.
int OpenCopyFolder(const QString& path) {
    if (!common::MakePrivateFolder(path, UserFolderRules()).isEmpty()) {
        return -1;
    }
    const int folder = ::open(QFile::encodeName(path).constData(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    struct statvfs system {};
    if (folder >= 0 && ::fstat(folder, &info) == 0 && info.st_uid == ::geteuid() &&
        (info.st_mode & 077) == 0 && ::fstatvfs(folder, &system) == 0 &&
        (system.f_flag & ST_NOEXEC) == 0) {
        return folder;
    }
    if (folder >= 0) {
        ::close(folder);
    }
    return -1;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size;
}

// A copy is named only while it is written. One that a killed run left
// (nothing wrote to it for this long; a copy being written changes all the
// time) is removed before the next copy is made.
constexpr time_t kLeftoverSeconds = 10 * 60;

void RemoveLeftovers(int folder) {
    const int listed = ::dup(folder);
    DIR* entries = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (entries == nullptr) {
        if (listed >= 0) {
            ::close(listed);
        }
        return;
    }
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(entries)) {
        struct stat info {};
        if (std::strncmp(entry->d_name, ".run-", 5) == 0 &&
            ::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            info.st_mtime < now - kLeftoverSeconds) {
            ::unlinkat(folder, entry->d_name, 0);
        }
    }
    ::closedir(entries);
}

int CopyInto(int folder, const std::function<bool(int)>& fill, bool closeOnExec) {
    RemoveLeftovers(folder);
    std::uint64_t random = 0;
    if (::getrandom(&random, sizeof random, 0) != sizeof random) {
        return -1;
    }
    char name[32];
    std::snprintf(name, sizeof name, ".run-%016" PRIx64, random);
    const int out =
        ::openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0700);
    if (out < 0) {
        return -1;
    }
    struct stat written {};
    // The mode is set whatever the umask; the file is closed for writing
    // before it is opened again (the kernel runs no file open for writing).
    bool ok = ::fchmod(out, 0700) == 0 && fill(out) && ::fstat(out, &written) == 0;
    ok = ::close(out) == 0 && ok;
    const int in =
        ok ? ::openat(folder, name, O_RDONLY | O_NOFOLLOW | (closeOnExec ? O_CLOEXEC : 0)) : -1;
    ::unlinkat(folder, name, 0);
    struct stat opened {};
    // Removed, no other name left, the very file written, ours alone.
    if (in >= 0 && ::fstat(in, &opened) == 0 && SameFile(opened, written) && opened.st_nlink == 0 &&
        opened.st_uid == ::geteuid() && (opened.st_mode & 077) == 0) {
        return in;
    }
    if (in >= 0) {
        ::close(in);
    }
    return -1;
}

}  // namespace

int ExecutableMemoryFile(const char* name, bool closeOnExec) {
    const int fd = ::memfd_create(name, MemoryFileFlags(closeOnExec) | MFD_EXEC);
    if (fd < 0 && errno == EINVAL) {
        // A kernel before 6.3: every memory file is executable.
        return ::memfd_create(name, MemoryFileFlags(closeOnExec));
    }
    return fd;
}

int ReadOnlyMemoryFile(const char* name, bool closeOnExec) {
    const int fd = ::memfd_create(name, MemoryFileFlags(closeOnExec) | MFD_NOEXEC_SEAL);
    if (fd < 0 && errno == EINVAL) {
        return ::memfd_create(name, MemoryFileFlags(closeOnExec));
    }
    return fd;
}

int PrivateFileCopy(const std::function<bool(int fd)>& fill, bool closeOnExec) {
    for (const QString& path : CopyFolders()) {
        const int folder = OpenCopyFolder(path);
        if (folder < 0) {
            continue;
        }
        const int copy = CopyInto(folder, fill, closeOnExec);
        ::close(folder);
        if (copy >= 0) {
            return copy;
        }
    }
    return -1;
}

}  // namespace patchwell::platform
