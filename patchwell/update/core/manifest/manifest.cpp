#include "patchwell/update/core/manifest/manifest.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <stdexcept>

#include "common/ini/ini.h"
#include "common/paths/program_path.h"
#include "patchwell/download/control/preserve_extension.h"

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

QString InstallerTarget(const QString& curverurl, const QString& saveLocation) {
    try {
        return download::PreserveExtension(curverurl, saveLocation);
    } catch (const std::exception&) {
        return saveLocation;  // too short to carry an extension
    }
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

const ReleaseKey kReleaseKeys[25] = {
    {"curver", &RemoteManifest::curver},
    {"curverurl", &RemoteManifest::curverurl},
    {"savefileas", &RemoteManifest::savefileas},
    {"curversize", &RemoteManifest::curversize},
    {"curversha256", &RemoteManifest::curversha256},
    {"curvermirrors", &RemoteManifest::curvermirrors},
    {"rollout", &RemoteManifest::rollout},
    {"curvernotes", &RemoteManifest::curvernotes},
    {"curvernotessha256", &RemoteManifest::curvernotessha256},
    // A rollback is its section's own word: the main line's does not take a
    // channel back, and a channel's is not lost.
    {"allowdowngrade", &RemoteManifest::allowdowngrade},
    // The patches and the compressed download belong to their release, so a
    // channel has its own.
    {"curverpatch1", &RemoteManifest::curverpatch1},
    {"curverpatch1from", &RemoteManifest::curverpatch1from},
    {"curverpatch1size", &RemoteManifest::curverpatch1size},
    {"curverpatch1sha256", &RemoteManifest::curverpatch1sha256},
    {"curverpatch2", &RemoteManifest::curverpatch2},
    {"curverpatch2from", &RemoteManifest::curverpatch2from},
    {"curverpatch2size", &RemoteManifest::curverpatch2size},
    {"curverpatch2sha256", &RemoteManifest::curverpatch2sha256},
    {"curverpatch3", &RemoteManifest::curverpatch3},
    {"curverpatch3from", &RemoteManifest::curverpatch3from},
    {"curverpatch3size", &RemoteManifest::curverpatch3size},
    {"curverpatch3sha256", &RemoteManifest::curverpatch3sha256},
    {"curverzst", &RemoteManifest::curverzst},
    {"curverzstsize", &RemoteManifest::curverzstsize},
    {"curverzstsha256", &RemoteManifest::curverzstsha256},
};

RemoteManifest ParseRemoteManifest(const QByteArray& content) {
    const common::IniSnapshot ini = common::IniSnapshot::FromBytes(content);
    const QString section = QStringLiteral("Update");
    RemoteManifest m;
    for (const ReleaseKey& key : kReleaseKeys) {
        m.*key.field = ini.value(section, QString::fromLatin1(key.name));
    }
    m.updaterVersion = ini.value(QStringLiteral("updateprg"), QStringLiteral("curver"));
    m.updaterUrl = ini.value(QStringLiteral("updateprg"), QStringLiteral("curverurl"));
    m.manifesturl = ini.value(section, QStringLiteral("manifesturl"));
    m.expires = ini.value(section, QStringLiteral("expires"));
    m.nextpublickey = ini.value(section, QStringLiteral("nextpublickey"));
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
