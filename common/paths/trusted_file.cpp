#include "common/paths/trusted_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>

#include "common/files/descriptor.h"

namespace common {

namespace {

bool OwnedSafely(const struct stat& info, uid_t user, bool folder) {
    if (info.st_uid != user && info.st_uid != 0) {
        return false;
    }
    const bool othersWrite = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return !othersWrite || (folder && (info.st_mode & S_ISVTX) != 0);
}

}  // namespace

std::optional<QByteArray> ReadTrustedFile(const QString& path, qint64 limit, uid_t user) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty()) {
        return std::nullopt;
    }
    const QStringList names = canonical.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (names.isEmpty()) {
        return std::nullopt;
    }
    auto folder = std::make_unique<Descriptor>(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat info {};
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (folder->get() < 0 || ::fstat(folder->get(), &info) != 0 ||
            !OwnedSafely(info, user, true)) {
            return std::nullopt;
        }
        const QByteArray name = QFile::encodeName(names[i]);
        const bool last = i + 1 == names.size();
        // Each step is taken from the folder just checked, never through a
        // link; the file opens without waiting (a FIFO would block).
        const int flags = last ? O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC
                               : O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
        folder = std::make_unique<Descriptor>(::openat(folder->get(), name.constData(), flags));
    }
    const Descriptor& file = *folder;
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        !OwnedSafely(info, user, false) || info.st_size > limit) {
        return std::nullopt;
    }
    QByteArray bytes(static_cast<qsizetype>(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got =
            ::read(file.get(), bytes.data() + done, static_cast<std::size_t>(bytes.size() - done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return std::nullopt;
        }
        done += got;
    }
    return bytes;
}

}  // namespace common
