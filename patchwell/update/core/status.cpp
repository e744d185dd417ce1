#include "patchwell/update/core/status.h"

#include <optional>
#include <utility>
#include <vector>

#include "common/ini/ini.h"
#include "patchwell/signing/minisign.h"
#include "patchwell/update/core/check/schedule.h"
#include "patchwell/update/core/delta/kept_installers.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/manifest/trust_state.h"
#include "patchwell/update/core/staged/staged_update.h"

namespace patchwell::update {

namespace {

const QString kNone = QStringLiteral("none");

QString OneLine(const QString& value) {
    if (value.isEmpty()) {
        return kNone;
    }
    QString line = value;
    for (QChar& ch : line) {
        if (ch.category() == QChar::Other_Control) {
            ch = u'?';
        }
    }
    return line;
}

QString KeyText(const QStringList& stateFolders, const QString& programFolder,
                const QString& checkUrl) {
    const TrustLoad kept = LoadTrustState(stateFolders, programFolder, checkUrl);
    if (kept.problem) {
        return QStringLiteral("unusable");
    }
    if (!kept.state) {
        return kNone;
    }
    const std::optional<signing::PublicKey> key =
        signing::ParsePublicKey(kept.state->publicKey.toStdString());
    return key ? QString::fromStdString(signing::KeyIdText(*key)) : QStringLiteral("unusable");
}

QString VersionOf(const std::optional<KeptInstaller>& kept) {
    return kept ? kept->version : QString();
}

}  // namespace

QString StatusText(const QStringList& stateFolders, const QString& programFolder) {
    const common::IniSnapshot updateIni =
        common::IniSnapshot::Read(LocalManifestPath(programFolder));
    const CheckSettings settings = ReadCheckSettings(updateIni, CheckRequest{});
    const KeptInstallers kept(stateFolders, programFolder);
    const QString checkUrl =
        updateIni.value(QStringLiteral("Update"), QStringLiteral("verchckurl"));
    const std::vector<std::pair<const char*, QString>> lines = {
        {"version", updateIni.value(QStringLiteral("Program"), QStringLiteral("prgver"))},
        {"key", KeyText(stateFolders, programFolder, checkUrl)},
        {"lastcheck", settings.lastCheck ? common::IniUtcText(*settings.lastCheck) : QString()},
        {"skipversion", settings.skipVersion.value_or(QString())},
        {"installer", VersionOf(kept.Current())},
        {"previous", VersionOf(kept.Previous())},
        {"staged", StagedUpdates(stateFolders, programFolder).StagedVersion().value_or(QString())},
    };
    QString text;
    for (const auto& [key, value] : lines) {
        text +=
            QString::fromLatin1(key) + QStringLiteral(": ") + OneLine(value) + QStringLiteral("\n");
    }
    return text;
}

}  // namespace patchwell::update
