#pragma once

// Reading small regular files: the open never waits (a FIFO without a writer
// returns at once, as does a device), nothing but a regular file is read, and
// never more than a limit. The checks are made on the opened descriptor, so
// the file cannot be swapped between check and read.

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace common {

struct FileRules {
    qint64 limit = 0;          // the most bytes read
    bool followLinks = false;  // a symbolic link at the name itself is read through
    bool privateOnly = false;  // refused unless ours and closed to others
    bool headOnly = false;     // a larger file gives its first `limit` bytes
};

struct FileRead {
    enum class Kind {
        Read,      // `bytes` holds the file (or its head)
        Missing,   // nothing at the path
        Unusable,  // something else: a link, a FIFO, a device, too large, unreadable
    };
    Kind kind = Kind::Missing;
    QByteArray bytes;
    uid_t owner = 0;
    mode_t mode = 0;  // permission bits and file type, as stat gives them
};

// The regular file at `path` under `rules`.
FileRead ReadRegularFile(const QString& path, const FileRules& rules);

}  // namespace common
