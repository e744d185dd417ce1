#include "common/files/whole_file.h"

#include <QCryptographicHash>
#include <QSaveFile>

#include <cerrno>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace common {

bool WriteAll(int fd, const void* data, std::size_t size) {
    const auto* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, at, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        at += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool ReadEachBlock(int fd, std::size_t block, const std::function<void(QByteArrayView)>& consume) {
    std::vector<char> buffer(block);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        consume(QByteArrayView(buffer.data(), static_cast<qsizetype>(got)));
        offset += got;
    }
}

std::optional<FileDigest> Sha256Of(int fd) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    FileDigest digest;
    const bool read = ReadEachBlock(fd, std::size_t{1} << 16, [&](QByteArrayView bytes) {
        hash.addData(bytes);
        digest.size += bytes.size();
    });
    if (!read) {
        return std::nullopt;
    }
    digest.sha256 = hash.result();
    return digest;
}

bool CopyAll(int in, int out) {
    bool written = true;
    const bool read = ReadEachBlock(in, std::size_t{1} << 20, [&](QByteArrayView block) {
        written = written && WriteAll(out, block.data(), static_cast<std::size_t>(block.size()));
    });
    return read && written;
}

bool ReplaceFileFrom(const QString& path, int fd, bool ownerOnly,
                     const std::function<bool()>& keep) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || (ownerOnly && ::fchmod(out.handle(), 0600) != 0)) {
        return false;
    }
    // Written past QSaveFile's buffer, which stays empty; commit() puts the
    // file on disk before the rename.
    if (!CopyAll(fd, out.handle()) || (keep && !keep())) {
        return false;
    }
    return out.commit();
}

bool ReplaceFile(const QString& path, QByteArrayView bytes, bool ownerOnly) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || (ownerOnly && ::fchmod(out.handle(), 0600) != 0)) {
        return false;
    }
    // A short write (full disk, file size limit) shows only in flush():
    // commit() would still put the cut file in place. Without a commit the
    // temporary file is dropped and the old one stays.
    if (out.write(bytes.data(), bytes.size()) != bytes.size() || !out.flush()) {
        return false;
    }
    return out.commit();
}

}  // namespace common
