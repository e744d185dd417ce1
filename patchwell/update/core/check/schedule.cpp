#include "patchwell/update/core/check/schedule.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <vector>

#include "common/ini/ini.h"
#include "patchwell/download/small/small_fetcher.h"
#include "patchwell/update/core/manifest/manifest.h"

namespace patchwell::update {

namespace {

const QString kUpdate = QStringLiteral("Update");

bool Matches(const QString& text, const char* pattern) {
    return QRegularExpression(QRegularExpression::anchoredPattern(QString::fromLatin1(pattern)))
        .match(text)
        .hasMatch();
}

constexpr int kDefaultQuietSeconds = 10;

}  // namespace

std::optional<int> WholeNumberIn(const QString& text, int low, int high) {
    if (!Matches(text, "[0-9]{1,9}")) {
        return std::nullopt;
    }
    const int value = text.toInt();
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<QDateTime> ParseUtcStamp(const QString& text) {
    if (!Matches(text, "\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}Z")) {
        return std::nullopt;
    }
    QDateTime time = QDateTime::fromString(text.left(19), QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    if (!time.isValid()) {
        return std::nullopt;
    }
    time.setTimeZone(QTimeZone::utc());
    return time;
}

QString UtcStamp(const QDateTime& time) {
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QStringLiteral("Z");
}

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
    const bool quiet = request.quiet || key("quiet") == QStringLiteral("1");
    // --check wants every outcome in its box.
    settings.checkNow = request.checkNow;
    settings.quiet = quiet && !request.checkNow;
    settings.checkHours = WholeNumberIn(key("checkhours"), 1, 8760);
    const std::optional<int> seconds = WholeNumberIn(key("checkseconds"), 1, 300);
    if (seconds) {
        settings.limit = std::chrono::seconds(*seconds);
    } else if (quiet) {
        settings.limit = std::chrono::seconds(kDefaultQuietSeconds);
    }
    settings.lastCheck = ParseUtcStamp(key("lastcheck"));
    settings.notBefore = ParseUtcStamp(key("notbefore"));
    return settings;
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

StartPlan PlanStart(const CheckSettings& settings, const QDateTime& nowUtc) {
    if (SkipFor(settings, nowUtc) != CheckSkip::None) {
        return StartPlan::StartServed;
    }
    return settings.quiet ? StartPlan::CheckQuietly : StartPlan::CheckInWindows;
}

bool RecordCompletedCheck(const QString& programFolder, const CheckSettings& settings,
                          const QDateTime& nowUtc) {
    std::vector<common::IniChange> changes;
    if (settings.checkHours) {
        changes.push_back({kUpdate, QStringLiteral("lastcheck"), UtcStamp(nowUtc)});
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
                                 UtcStamp(nowUtc.addSecs(wait)), LocalManifestPath(programFolder));
}

bool RecordChannel(const QString& programFolder, const QString& channel) {
    return common::WriteIniValue(kUpdate, QStringLiteral("channel"), channel,
                                 LocalManifestPath(programFolder));
}

}  // namespace patchwell::update
