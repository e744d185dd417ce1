#include "tilebay/app/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace tilebay {
namespace {

// Copies the files and folders below `from` into `to`, leaving every file
// that exists there already as it is.
void CopyMissing(const QString& from, const QString& to) {
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + u'/' + QDir(from).relativeFilePath(source);
        if (it.fileInfo().isDir()) {
            QDir().mkpath(target);
        } else if (!QFileInfo::exists(target)) {
            QFile::copy(source, target);
            QFile::setPermissions(
                target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        }
    }
}

}  // namespace

ProgramFolderPlaces CurrentPlaces() {
    return {QCoreApplication::applicationDirPath(), qEnvironmentVariable("XDG_DATA_HOME"),
            qEnvironmentVariable("HOME", QDir::homePath())};
}

QString ResolveProgramFolder(const ProgramFolderPlaces& places) {
    const QString beside = QDir::cleanPath(places.executableFolder);
    if (QFileInfo(beside + QStringLiteral("/styles")).isDir()) {
        return beside;
    }
    // The XDG rule: a relative $XDG_DATA_HOME is invalid and is ignored.
    const QString dataHome = QDir::isAbsolutePath(places.dataHome)
                                 ? places.dataHome
                                 : places.home + QStringLiteral("/.local/share");
    const QString folder = QDir::cleanPath(dataHome + QStringLiteral("/tilebay"));
    const QString shipped = QDir::cleanPath(beside + QStringLiteral("/../share/tilebay"));
    if (!QFileInfo(folder + QStringLiteral("/styles")).isDir()) {
        CopyMissing(shipped + QStringLiteral("/styles"), folder + QStringLiteral("/styles"));
        const QString choice = folder + QStringLiteral("/styleloader.ini");
        if (!QFileInfo::exists(choice)) {
            QFile::copy(shipped + QStringLiteral("/styleloader.ini"), choice);
            QFile::setPermissions(choice, QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    QDir().mkpath(folder);
    return folder;
}

}  // namespace tilebay
