#include "common/process/private_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

namespace common {

namespace {

QString Failure(const QString& path, const char* what) {
    return QStringLiteral("%1: %2").arg(path, QString::fromLatin1(what));
}

QString Failure(const QString& path, int error) {
    return Failure(path, std::strerror(error));
}

}  // namespace

QString MakePrivateFolder(const QString& path, const PrivateFolderRules& rules) {
    if (path.isEmpty()) {
        return Failure(path, "no folder");
    }
    if (rules.makeParents) {
        const QString parent = QFileInfo(path).path();
        if (!QDir().mkpath(parent)) {
            return Failure(parent, "cannot be made");
        }
    }
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        return Failure(path, errno);
    }
    // Checked and narrowed through a descriptor of the folder itself, so a
    // folder swapped for a link meanwhile is refused, not followed. Under the
    // exact mode a folder its owner may not read is refused; otherwise it is
    // reached by a path-only descriptor.
    const int flags = O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    bool pathOnly = false;
    int fd = ::open(native.constData(), O_RDONLY | flags);
    if (fd < 0 && errno == EACCES && !rules.exactMode) {
        fd = ::open(native.constData(), O_PATH | flags);
        pathOnly = true;
    }
    if (fd < 0) {
        const int error = errno;
        struct stat entry {};
        const bool other = ::lstat(native.constData(), &entry) == 0 && !S_ISDIR(entry.st_mode);
        return other ? Failure(path, "not a folder") : Failure(path, error);
    }
    QString problem;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        problem = Failure(path, errno);
    } else if (!S_ISDIR(info.st_mode)) {
        problem = Failure(path, "not a folder");
    } else if (info.st_uid != rules.owner) {
        problem = Failure(path, "owned by another user");
    } else if (rules.exactMode ? (info.st_mode & 07777) != 0700 : (info.st_mode & 077) != 0) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        if ((pathOnly ? ::chmod(self.constData(), 0700) : ::fchmod(fd, 0700)) != 0) {
            problem = Failure(path, errno);
        }
    }
    ::close(fd);
    return problem;
}

QString PrivateFolderProblem(const QString& path, uid_t owner) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        return Failure(path, errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return Failure(path, "not a folder");
    }
    if (info.st_uid != owner) {
        return Failure(path, "owned by another user");
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return Failure(path, "others may write to it");
    }
    return {};
}

QString PrivateFolderPathProblem(const QString& path, uid_t owner) {
    const QString problem = PrivateFolderProblem(path, owner);
    if (!problem.isEmpty()) {
        return problem;
    }
    // The real folders above it: a link on the way leads to the folders
    // that count.
    QString above = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    const QString home = QFileInfo(QDir::homePath()).canonicalFilePath();
    const bool belowHome =
        !home.isEmpty() && (above == home || above.startsWith(home + QLatin1Char('/')));
    while (!above.isEmpty()) {
        struct stat info {};
        if (::stat(QFile::encodeName(above).constData(), &info) != 0) {
            return Failure(above, errno);
        }
        if (info.st_uid != owner && info.st_uid != 0) {
            return Failure(above, "owned by another user");
        }
        if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (info.st_mode & S_ISVTX) == 0) {
            return Failure(above, "others may write to it");
        }
        if ((belowHome && above == home) || above == QStringLiteral("/")) {
            break;
        }
        above = QFileInfo(above).path();
    }
    return {};
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
        if (MakePrivateFolder(candidate.folder).isEmpty()) {
            return candidate.folder;
        }
    }
    return {};
}

}  // namespace common
