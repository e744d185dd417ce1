#pragma once

// The small files patchwell keeps between runs (the signing state, the
// cached manifest): read without waiting and without following a link.

#include <QByteArray>
#include <QString>

namespace patchwell::platform {

struct SmallFileRead {
    enum class Kind {
        Read,      // `bytes` holds the whole file
        Missing,   // nothing at the path
        Unusable,  // something else: a link, a FIFO, a device, too large, unreadable
    };
    Kind kind = Kind::Missing;
    QByteArray bytes;
};

// The regular file at `path`, at most `limit` bytes. The open never waits (a
// FIFO put in the file's place is refused at once, as is anything but a
// regular file) and never follows a symbolic link at the name. With
// `privateOnly`, a file another user owns or others may read or write is
// unusable too.
SmallFileRead ReadSmallFile(const QString& path, qint64 limit, bool privateOnly);

}  // namespace patchwell::platform
