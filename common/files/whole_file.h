#pragma once

// Whole-file work on descriptors and paths: writing everything (the kernel may
// take less than asked, or be interrupted), reading everything in blocks,
// the SHA-256 of a file, and replacing a file in one rename.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <functional>
#include <optional>

namespace common {

// Writes all `size` bytes of `data` to `fd`, going on after short writes and
// interruptions. False on an error, with errno telling which (ENOSPC where the
// kernel took nothing).
bool WriteAll(int fd, const void* data, std::size_t size);

// Hands what `fd` holds, from its start to its end, to `consume` in blocks of
// at most `block` bytes. It reads with pread, so the descriptor's offset
// stays. False on a read error.
bool ReadEachBlock(int fd, std::size_t block, const std::function<void(QByteArrayView)>& consume);

struct FileDigest {
    QByteArray sha256;  // 32 bytes
    qint64 size = 0;    // the bytes it covers
};

// The SHA-256 of what `fd` holds from its start, or none on a read error.
std::optional<FileDigest> Sha256Of(int fd);

// Writes what `in` holds, from its start to its end, to `out` at its
// offset. False on a read or write error (errno tells which).
bool CopyAll(int in, int out);

// Puts `bytes` at `path` in one rename: afterwards the file holds them or,
// on failure (false), what it held before. An `ownerOnly` file is closed to
// others (0600) before its first byte.
bool ReplaceFile(const QString& path, QByteArrayView bytes, bool ownerOnly = false);

// As ReplaceFile, with what `fd` holds from its start, streamed (for files
// too large to hold in memory). `keep`, when given, is asked once the copy
// is whole and on disk: false drops it and leaves the old file.
bool ReplaceFileFrom(const QString& path, int fd, bool ownerOnly,
                     const std::function<bool()>& keep = {});

}  // namespace common
