#include "patchwell/update/core/manifest/channel.h"

#include "common/ini/ini.h"
#include "patchwell/update/core/check/schedule.h"

namespace patchwell::update {

QString ConfiguredChannel(const QString& programFolder) {
    const QString channel = common::ReadIniValue(
        QStringLiteral("Update"), QStringLiteral("channel"), LocalManifestPath(programFolder));
    return IsChannelName(channel) ? channel : QString();
}

RemoteManifest ParseChannelManifest(const QByteArray& content, const QString& channel) {
    RemoteManifest m = ParseRemoteManifest(content);
    if (channel.isEmpty()) {
        return m;
    }
    const QString section = QStringLiteral("Update.") + channel;
    const common::IniSnapshot ini = common::IniSnapshot::FromBytes(content);
    if (ini.value(section, QStringLiteral("curver")).isEmpty()) {
        return m;
    }
    for (const ReleaseKey& key : kReleaseKeys) {
        m.*key.field = ini.value(section, QString::fromLatin1(key.name));
    }
    return m;
}

}  // namespace patchwell::update
