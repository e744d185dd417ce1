#include "tilebay/platform/system/links.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace tilebay {
namespace {

// The text of the link at `path`; empty when it cannot be read.
QString ReadLink(const QByteArray& path) {
    QByteArray buffer(4096, '\0');
    const ssize_t got = ::readlink(path.constData(), buffer.data(), buffer.size());
    if (got <= 0 || got >= buffer.size()) {
        return {};
    }
    buffer.truncate(got);
    return QFile::decodeName(buffer);
}

}  // namespace

QString FinalTarget(const QString& path) {
    return ResolveLinks(path).target;
}

ResolvedLinks ResolveLinks(const QString& path) {
    ResolvedLinks resolved;
    if (path.isEmpty()) {
        return resolved;
    }
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hops = 0;; ++hops) {
        const QByteArray native = QFile::encodeName(current);
        struct stat info {};
        // Fails for a name that is gone and for a loop among the folders of
        // the path (ELOOP): both leave nothing to show or start.
        if (::lstat(native.constData(), &info) != 0) {
            return {};
        }
        if (!S_ISLNK(info.st_mode)) {
            // The folders on the way may be links too; realpath has the same
            // limit for them.
            const std::unique_ptr<char, decltype(&std::free)> real(
                ::realpath(native.constData(), nullptr), &std::free);
            if (real) {
                resolved.target = QFile::decodeName(real.get());
            }
            return resolved;
        }
        if (hops == kMaxLinkHops) {
            return {};
        }
        resolved.linkOwners.push_back(info.st_uid);
        const QString target = ReadLink(native);
        if (target.isEmpty()) {
            return {};
        }
        // A relative target is read from the link's folder, as the kernel
        // does ("a/../b" is not shortened: "a" may be a link itself).
        current = QDir::isAbsolutePath(target)
                      ? target
                      : current.left(current.lastIndexOf(u'/') + 1) + target;
    }
}

}  // namespace tilebay
