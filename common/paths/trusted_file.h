#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

#include <sys/types.h>
#include <unistd.h>

namespace common {

// The bytes of the regular file `path` (at most `limit` of them) when nobody
// but `user` and root can have put them there: the file and every folder on
// its way from the root are owned by `user` or root, and none is writable by
// group or others. A folder with the sticky bit (/tmp) passes: there only the
// owner of a name can replace it, and the names below are checked in turn.
// Symbolic links in `path` are resolved first; what is read is the file that
// was checked. nullopt for anything else (missing, a link put in later, a
// FIFO, larger than `limit`).
std::optional<QByteArray> ReadTrustedFile(const QString& path, qint64 limit,
                                          uid_t user = ::geteuid());

}  // namespace common
