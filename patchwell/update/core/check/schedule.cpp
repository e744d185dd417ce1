#include "patchwell/update/core/check/schedule.h"

#include <QRegularExpression>

#include <vector>

#include "common/ini/ini.h"
#include "patchwell/download/small/small_fetcher.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/manifest/version_order.h"

namespace patchwell::update {

namespace {

const QString kUpdate = QStringLiteral("Update");

bool Matches(const QString& text, const char* pattern) {
    return QRegularExpression(QRegularExpression::anchoredPattern(QString::fromLatin1(pattern)))
        .match(text)
        .hasMatch();
}

constexpr int kDefaultQuietSeconds = 10;
constexpr int kMaxSkippedVersionLength = 128;
const QString kSkipVersion = QStringLiteral("skipversion");

}  // namespace

bool IsChannelName(const QString& name) {
    return Matches(name, "[A-Za-z0-9._-]{1,64}");
}

CheckSettings ReadCheckSettings(const QString& programFolder, const CheckRequest& request) {
    return ReadCheckSettings(common::IniSnapshot::Read(LocalManifestPath(programFolder)), request);
}

CheckSettings ReadCheckSettings(const common::IniSnapshot& updateIni, const CheckRequest& request) {
    const auto key = [&updateIni](const char* name) {
        return updateIni.value(kUpdate, QString::fromLatin1(name));
    };
    CheckSettings settings;
    // autoupdate=1 is quiet at every start: the program starts at once.
    settings.autoUpdate = key("autoupdate") == QStringLiteral("1") && !request.checkNow;
    const bool quiet = request.quiet || key("quiet") == QStringLiteral("1") || settings.autoUpdate;
    // --check wants every outcome in its box.
    settings.checkNow = request.checkNow;
    settings.quiet = quiet && !request.checkNow;
    settings.checkHours = updateIni.number(kUpdate, QStringLiteral("checkhours"), 1, 8760);
    const std::optional<int> seconds =
        updateIni.number(kUpdate, QStringLiteral("checkseconds"), 1, 300);
    if (seconds) {
        settings.limit = std::chrono::seconds(*seconds);
    } else if (quiet) {
        settings.limit = std::chrono::seconds(kDefaultQuietSeconds);
    }
    settings.lastCheck = updateIni.utcTime(kUpdate, QStringLiteral("lastcheck"));
    settings.notBefore = updateIni.utcTime(kUpdate, QStringLiteral("notbefore"));
    const QString skipped = updateIni.value(kUpdate, kSkipVersion);
    if (!request.checkNow && IsSkippableVersion(skipped)) {
        settings.skipVersion = skipped;
    }
    return settings;
}

bool IsSkippableVersion(const QString& version) {
    if (version.isEmpty() || version.size() > kMaxSkippedVersionLength) {
        return false;
    }
    for (const QChar ch : version) {
        const QChar::Category category = ch.category();
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph) {
            return false;
        }
    }
    // What the INI rules would trim or unquote does not come back as written.
    const QByteArray line = QByteArrayLiteral("[Update]\nskipversion=") + version.toUtf8();
    return common::ReadIniValueFrom(line, kUpdate, kSkipVersion) == version;
}

bool SkipsVersion(const CheckSettings& settings, const QString& version) {
    return settings.skipVersion && IsUpToDate(*settings.skipVersion, version);
}

bool RecordSkippedVersion(const QString& programFolder, const QString& version) {
    return IsSkippableVersion(version) &&
           common::WriteIniValue(kUpdate, kSkipVersion, version, LocalManifestPath(programFolder));
}

CheckSkip SkipFor(const CheckSettings& settings, const QDateTime& nowUtc) {
    if (settings.checkNow) {
        return CheckSkip::None;
    }
    if (settings.notBefore && nowUtc < *settings.notBefore &&
        nowUtc.secsTo(*settings.notBefore) <= download::kMaxRetryAfterSeconds) {
        return CheckSkip::Server;
    }
    if (!settings.checkHours || !settings.lastCheck) {
        return CheckSkip::None;
    }
    const qint64 since = settings.lastCheck->secsTo(nowUtc);
    if (since >= 0 && since < static_cast<qint64>(*settings.checkHours) * 3600) {
        return CheckSkip::Schedule;
    }
    return CheckSkip::None;
}

StartPlan PlanStart(const CheckSettings& settings, const QDateTime& nowUtc, bool staged) {
    if (settings.autoUpdate && staged) {
        return StartPlan::InstallStaged;
    }
    if (SkipFor(settings, nowUtc) != CheckSkip::None) {
        return StartPlan::StartServed;
    }
    return settings.quiet ? StartPlan::CheckQuietly : StartPlan::CheckInWindows;
}

OfferPlan PlanOffer(const CheckSettings& settings, const VerifiedManifest& manifest,
                    const QString& installedVersion, bool metered) {
    if (!settings.autoUpdate || metered || !manifest.BindsInstaller() ||
        !MovesForward(manifest, installedVersion)) {
        return OfferPlan::OfferInWindows;
    }
    return OfferPlan::StageInBackground;
}

bool RecordCompletedCheck(const QString& programFolder, const CheckSettings& settings,
                          const QDateTime& nowUtc) {
    std::vector<common::IniChange> changes;
    if (settings.checkHours) {
        changes.push_back({kUpdate, QStringLiteral("lastcheck"), common::IniUtcText(nowUtc)});
    }
    const QString file = LocalManifestPath(programFolder);
    if (!common::ReadIniValue(kUpdate, QStringLiteral("notbefore"), file).isEmpty()) {
        changes.push_back({kUpdate, QStringLiteral("notbefore"), std::nullopt});
    }
    return changes.empty() || common::WriteIniValues(changes, file);
}

bool RecordNotBefore(const QString& programFolder, const QDateTime& nowUtc, qint64 seconds) {
    const qint64 wait = std::min(std::max<qint64>(seconds, 0), download::kMaxRetryAfterSeconds);
    return common::WriteIniValue(kUpdate, QStringLiteral("notbefore"),
                                 common::IniUtcText(nowUtc.addSecs(wait)),
                                 LocalManifestPath(programFolder));
}

bool RecordChannel(const QString& programFolder, const QString& channel) {
    return common::WriteIniValue(kUpdate, QStringLiteral("channel"), channel,
                                 LocalManifestPath(programFolder));
}

}  // namespace patchwell::update
