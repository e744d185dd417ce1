#include "patchwell/update/core/check/windowless_start.h"

#include "common/ini/ini.h"
#include "patchwell/update/core/folder_checks.h"
#include "patchwell/update/core/manifest/signed_update.h"

namespace patchwell::update {

namespace {

QString ProgramKey(const QString& programFolder, const char* key) {
    return common::ReadIniValue(QStringLiteral("Program"), QString::fromLatin1(key),
                                LocalManifestPath(programFolder));
}

WindowlessStart StartServed(Services& services) {
    StartServedProgram(services, ProgramKey(services.programFolder, "exe"));
    return {true, std::nullopt};
}

}  // namespace

WindowlessStart StartWithoutWindows(Services& services, ScheduledCheck& scheduled) {
    // A second instance or a folder we cannot write: the windows say so.
    if (!services.instanceGuard.TryClaim() ||
        FolderShortcoming(services.storage, services.programFolder, 0).has_value()) {
        return {};
    }
    const QString checkUrl =
        common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("verchckurl"),
                             LocalManifestPath(services.programFolder));
    scheduled.Begin(services.programFolder, checkUrl);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    switch (PlanStart(scheduled.Settings(), now)) {
        case StartPlan::StartServed:
            return StartServed(services);
        case StartPlan::CheckInWindows:
            return {};
        case StartPlan::CheckQuietly:
            break;
    }
    // The kept signing state decides, not what update.ini says now.
    const TrustInForce trust = EstablishTrust(services);
    if (trust.refusal) {
        ManifestAcceptance refused;
        refused.refusal = trust.refusal;
        return {false, std::move(refused)};
    }
    std::optional<ManifestAcceptance> accepted =
        CheckOnce(services, scheduled, trust, checkUrl, now);
    if (!accepted) {
        return StartServed(services);
    }
    // Up to date, or only the version the user skipped: nothing to say.
    if (!accepted->refusal && UpdateOffered(accepted->manifest, services.programFolder,
                                            ProgramKey(services.programFolder, "prgver"),
                                            scheduled.Settings()) != Offering::Update) {
        DeleteOrReport(services, RemoteManifestPath(services.programFolder));
        return StartServed(services);
    }
    return {false, std::move(accepted)};
}

}  // namespace patchwell::update
