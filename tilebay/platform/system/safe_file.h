#pragma once

// Reading small files that other users may have placed: only regular files
// are read, never more than a limit, and a FIFO or device never blocks the
// caller (the open does not wait for a writer). The checks are made on the
// opened descriptor, so the file cannot be swapped between check and read.

#include <QByteArray>
#include <QString>

#include <optional>

#include <sys/types.h>

namespace tilebay {

struct RegularFile {
    QByteArray bytes;
    uid_t owner = 0;
    mode_t mode = 0;  // permission bits and file type, as stat gives them
};

enum class LinkPolicy { Follow, Refuse };

// The whole content of the regular file at `path` with its owner and mode;
// nullopt when it is no regular file, is larger than `maxBytes`, cannot be
// read, or (with LinkPolicy::Refuse) is a symbolic link itself.
std::optional<RegularFile> ReadRegularFile(const QString& path, qint64 maxBytes,
                                           LinkPolicy links = LinkPolicy::Follow);

// At most the first `maxBytes` of a regular file (for sniffing its type);
// nullopt for anything that is no readable regular file.
std::optional<QByteArray> ReadFileHead(const QString& path, qint64 maxBytes);

}  // namespace tilebay
