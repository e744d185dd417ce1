#include "manifest.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <stdexcept>

#include "ini.h"
#include "preserve_extension.h"
#include "program_path.h"

namespace patchwell::update {

QString LocalManifestPath(const QString& programFolder) {
    return programFolder + QStringLiteral("/update.ini");
}

QString RemoteManifestPath(const QString& programFolder) {
    return programFolder + QStringLiteral("/iupdate.ini");
}

QString InProgramFolder(const QString& programFolder, const QString& name) {
    return programFolder + QStringLiteral("/") + name;
}

QString InstallerSaveLocation(const QString& programFolder, const QString& savefileas) {
    return InProgramFolder(programFolder, common::LocalPath(savefileas));
}

namespace {

// One spelling per file: separators and "." or ".." resolved, and the folder
// part through any symbolic links, whether the file exists or not.
QString Resolved(const QString& path) {
    const QFileInfo info(QDir::cleanPath(common::LocalPath(path)));
    const QString folder = QFileInfo(info.path()).canonicalFilePath();
    return (folder.isEmpty() ? info.path() : folder) + QStringLiteral("/") + info.fileName();
}

}  // namespace

bool OverwritesProtectedFile(const QString& programFolder, const QString& executablePath,
                             const QString& exe, const QString& url, const QString& saveLocation) {
    QStringList guarded{Resolved(LocalManifestPath(programFolder)),
                        Resolved(RemoteManifestPath(programFolder))};
    if (!executablePath.isEmpty()) {
        guarded << Resolved(executablePath);
    }
    if (!exe.isEmpty()) {
        guarded << Resolved(InProgramFolder(programFolder, exe));
    }
    QStringList written{Resolved(saveLocation)};
    try {
        written << Resolved(download::PreserveExtension(url, saveLocation));
    } catch (const std::exception&) {
        // Too short to carry an extension: the control will refuse it too.
    }
    for (const QString& path : written) {
        if (guarded.contains(path)) {
            return true;
        }
    }
    return false;
}

RemoteManifest ReadRemoteManifest(const QString& programFolder) {
    const QString file = RemoteManifestPath(programFolder);
    RemoteManifest m;
    m.curver = common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("curver"), file);
    m.curverurl = common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("curverurl"), file);
    m.updaterVersion =
        common::ReadIniValue(QStringLiteral("updateprg"), QStringLiteral("curver"), file);
    m.updaterUrl =
        common::ReadIniValue(QStringLiteral("updateprg"), QStringLiteral("curverurl"), file);
    m.savefileas =
        common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("savefileas"), file);
    return m;
}

bool IsUpToDate(const QString& localVersion, const QString& remoteVersion) {
    return localVersion.compare(remoteVersion, Qt::CaseSensitive) == 0;
}

bool IsSafeSaveName(const QString& savefileas) {
    if (savefileas.trimmed().isEmpty()) {
        return false;
    }
    if (savefileas.startsWith(u'/') || savefileas.startsWith(u'\\')) {
        return false;
    }
    if (savefileas.contains(QChar(u'\0'))) {
        return false;
    }
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    const QStringList parts = savefileas.split(separators);
    for (const QString& part : parts) {
        if (part == QStringLiteral("..")) {
            return false;
        }
    }
    // A name that ends in a separator names a folder, not a file.
    return !parts.last().isEmpty();
}

}  // namespace patchwell::update
