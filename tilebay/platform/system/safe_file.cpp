#include "tilebay/platform/system/safe_file.h"
#include "tilebay/platform/system/descriptor.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tilebay {
namespace {

// Opens without waiting: O_NONBLOCK makes the open of a FIFO without a
// writer return at once; for a regular file it changes nothing.
int OpenNonBlocking(const QString& path, LinkPolicy links) {
    if (path.isEmpty()) {
        return -1;
    }
    int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    if (links == LinkPolicy::Refuse) {
        flags |= O_NOFOLLOW;
    }
    int fd = -1;
    do {
        fd = ::open(QFile::encodeName(path).constData(), flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

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

}  // namespace

std::optional<RegularFile> ReadRegularFile(const QString& path, qint64 maxBytes, LinkPolicy links) {
    const Descriptor fd(OpenNonBlocking(path, links));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > maxBytes) {
        return std::nullopt;
    }
    RegularFile file;
    file.owner = info.st_uid;
    file.mode = info.st_mode;
    // One byte beyond the limit tells a file that grew since fstat.
    if (!ReadUpTo(fd.get(), maxBytes + 1, file.bytes) || file.bytes.size() > maxBytes) {
        return std::nullopt;
    }
    return file;
}

std::optional<QByteArray> ReadFileHead(const QString& path, qint64 maxBytes) {
    const Descriptor fd(OpenNonBlocking(path, LinkPolicy::Follow));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    QByteArray head;
    if (!ReadUpTo(fd.get(), maxBytes, head)) {
        return std::nullopt;
    }
    return head;
}

}  // namespace tilebay
