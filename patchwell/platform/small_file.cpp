#include "patchwell/platform/small_file.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace patchwell::platform {

SmallFileRead ReadSmallFile(const QString& path, qint64 limit, bool privateOnly) {
    SmallFileRead result;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        result.kind =
            errno == ENOENT ? SmallFileRead::Kind::Missing : SmallFileRead::Kind::Unusable;
        return result;
    }
    result.kind = SmallFileRead::Kind::Unusable;
    struct stat info {};
    const bool fit = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= limit &&
                     (!privateOnly || (info.st_uid == ::geteuid() && (info.st_mode & 077) == 0));
    QFile file;
    if (!fit || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return result;
    }
    // A regular file never blocks; the flag only kept the open from waiting.
    const QByteArray bytes = file.read(limit + 1);
    if (file.error() == QFileDevice::NoError && bytes.size() <= limit) {
        result.kind = SmallFileRead::Kind::Read;
        result.bytes = bytes;
    }
    return result;
}

}  // namespace patchwell::platform
