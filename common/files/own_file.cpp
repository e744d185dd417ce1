#include "common/files/own_file.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace common {
namespace {

// Reads up to `limit` bytes; false on a read error.
bool ReadUpTo(int fd, qint64 limit, QByteArray& out) {
    char buffer[16384];
    while (out.size() < limit) {
        const qint64 want =
            std::min<qint64>(static_cast<qint64>(sizeof buffer), limit - out.size());
        const ssize_t got = ::read(fd, buffer, static_cast<size_t>(want));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            break;
        }
        out.append(buffer, static_cast<qsizetype>(got));
    }
    return true;
}

FileRead Unusable() {
    FileRead read;
    read.kind = FileRead::Kind::Unusable;
    return read;
}

}  // namespace

FileRead ReadRegularFile(const QString& path, const FileRules& rules) {
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; for a
    // regular file it changes nothing.
    const int flags =
        O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (rules.followLinks ? 0 : O_NOFOLLOW);
    int fd = -1;
    do {
        fd = ::open(QFile::encodeName(path).constData(), flags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        FileRead read = Unusable();
        if (errno == ENOENT) {
            read.kind = FileRead::Kind::Missing;
        }
        return read;
    }
    FileRead read = Unusable();
    struct stat info {};
    const bool fit =
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        (rules.headOnly || info.st_size <= rules.limit) &&
        (!rules.privateOnly || (info.st_uid == ::geteuid() && (info.st_mode & 077) == 0));
    // One byte beyond the limit tells a file that grew since fstat.
    const qint64 want = rules.headOnly ? rules.limit : rules.limit + 1;
    if (fit && ReadUpTo(fd, want, read.bytes) && read.bytes.size() <= rules.limit) {
        read.kind = FileRead::Kind::Read;
        read.owner = info.st_uid;
        read.mode = info.st_mode;
    } else {
        read.bytes.clear();
    }
    ::close(fd);
    return read;
}

}  // namespace common
