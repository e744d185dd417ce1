#include "common/process/private_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

namespace common {

bool EnsurePrivateFolder(const QString& path, uid_t user) {
    if (path.isEmpty()) {
        return false;
    }
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    // Checked and narrowed through a descriptor of the folder itself, so a
    // folder swapped for a link meanwhile is refused, not followed.
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == user;
    if (ok && (info.st_mode & 07777) != 0700) {
        ok = ::fchmod(fd, 0700) == 0;
    }
    ::close(fd);
    return ok;
}

QString InstanceLockFolder(const QString& program, const QString& runtimeDir,
                           const QString& cacheHome) {
    struct Candidate {
        QString folder;
        bool makeParent;  // a cache folder may not be there yet
    };
    std::vector<Candidate> candidates;
    if (!runtimeDir.isEmpty()) {
        candidates.push_back({runtimeDir, false});
    }
    if (QDir::isAbsolutePath(cacheHome)) {
        candidates.push_back({QDir(cacheHome).filePath(program), true});
    }
    candidates.push_back({QDir::homePath() + QStringLiteral("/.cache/") + program, true});
    candidates.push_back({QDir::tempPath() + QLatin1Char('/') + program + QLatin1Char('-') +
                              QString::number(::getuid()),
                          false});
    for (const Candidate& candidate : candidates) {
        if (candidate.makeParent) {
            QDir().mkpath(QFileInfo(candidate.folder).path());
        }
        if (EnsurePrivateFolder(candidate.folder)) {
            return candidate.folder;
        }
    }
    return {};
}

}  // namespace common
