#include "patchwell/platform/private_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace patchwell::platform {

namespace {

QString UnderXdg(const char* variable, const QString& fallback) {
    const QString base = qEnvironmentVariable(variable);
    const QString root = QDir::isAbsolutePath(base) ? base : QDir::homePath() + fallback;
    return QDir::cleanPath(root + QStringLiteral("/patchwell"));
}

QString Failure(const QString& path, const char* what) {
    return QStringLiteral("%1: %2").arg(path, QString::fromLatin1(what));
}

}  // namespace

QString UserStateFolder() {
    return UnderXdg("XDG_STATE_HOME", QStringLiteral("/.local/state"));
}

QStringList UserStateFolders() {
    QStringList folders{UserStateFolder()};
    const QString home =
        QDir::cleanPath(QDir::homePath() + QStringLiteral("/.local/state/patchwell"));
    if (!folders.contains(home)) {
        folders << home;
    }
    return folders;
}

QString UserCacheFolder() {
    return UnderXdg("XDG_CACHE_HOME", QStringLiteral("/.cache"));
}

QString PrivateFolderProblem(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0) {
        return Failure(path, std::strerror(errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        return Failure(path, "not a folder");
    }
    if (info.st_uid != ::geteuid()) {
        return Failure(path, "owned by another user");
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return Failure(path, "others may write to it");
    }
    return {};
}

QString MakePrivateFolder(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const QString parent = QFileInfo(path).path();
    if (!QDir().mkpath(parent)) {
        return Failure(parent, "cannot be made");
    }
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        return Failure(path, std::strerror(errno));
    }
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0) {
        return Failure(path, std::strerror(errno));
    }
    // A folder of ours that others may see or enter is closed; one that is
    // not ours, or a link, is not used at all.
    if (S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) != 0 &&
        ::chmod(name.constData(), 0700) != 0) {
        return Failure(path, std::strerror(errno));
    }
    return PrivateFolderProblem(path);
}

QString PrivateFolderPathProblem(const QString& path) {
    const QString problem = PrivateFolderProblem(path);
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
            return Failure(above, std::strerror(errno));
        }
        if (info.st_uid != ::geteuid() && info.st_uid != 0) {
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

}  // namespace patchwell::platform
