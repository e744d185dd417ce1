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
    const auto key = [&](const char* name) {
        return common::ReadIniValueFrom(content, section, QString::fromLatin1(name));
    };
    if (key("curver").isEmpty()) {
        return m;
    }
    m.curver = key("curver");
    m.curverurl = key("curverurl");
    m.savefileas = key("savefileas");
    m.curversize = key("curversize");
    m.curversha256 = key("curversha256");
    m.curvermirrors = key("curvermirrors");
    m.rollout = key("rollout");
    m.curvernotes = key("curvernotes");
    m.curvernotessha256 = key("curvernotessha256");
    // A rollback is the channel's own word: the main line's does not take
    // this channel back, and this channel's is not lost.
    m.allowdowngrade = key("allowdowngrade");
    return m;
}

}  // namespace patchwell::update
