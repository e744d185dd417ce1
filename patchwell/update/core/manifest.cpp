#include "manifest.h"

#include <QRegularExpression>

#include "ini.h"

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
