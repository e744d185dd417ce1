#include "patchwell/update/core/check/windowless_start.h"

#include <QLoggingCategory>

#include <chrono>
#include <thread>

#include "common/ini/ini.h"
#include "patchwell/update/core/folder_checks.h"
#include "patchwell/update/core/manifest/signed_update.h"

Q_LOGGING_CATEGORY(lcWindowless, "patchwell.update.start")

namespace patchwell::update {

namespace {

QString ProgramKey(const QString& programFolder, const char* key) {
    return common::ReadIniValue(QStringLiteral("Program"), QString::fromLatin1(key),
                                LocalManifestPath(programFolder));
}

WindowlessStart StartServed(Services& services) {
    StartServedProgram(services, ProgramKey(services.programFolder, "exe"));
    return {true, std::nullopt, std::nullopt};
}

// Keeps the accepted manifest for the background download; false when it
// cannot be kept (the update is then offered as before).
bool KeepForBackground(Services& services, const ManifestAcceptance& accepted) {
    return StagedUpdates(services.stateFolders, services.programFolder)
        .KeepManifest(accepted.bytes, accepted.signature);
}

// The served program first, then the background download, so that the
// download's start costs the user's start nothing. A download that does not
// start is tried again by the next start that finds the update.
WindowlessStart StartServedThenStage(Services& services) {
    DeleteOrReport(services, RemoteManifestPath(services.programFolder));
    WindowlessStart started = StartServed(services);
    if (!services.launcher.StartDetached(services.executablePath, {QStringLiteral("--stage")},
                                         services.programFolder)) {
        qCWarning(lcWindowless) << "the background download could not be started";
    }
    return started;
}

// How long a start with autoupdate waits for another instance to end: a
// quiet check ends within its limit, an installation within this as a rule.
constexpr std::chrono::seconds kWaitForOtherStart{30};

// The instance slot claimed. With autoupdate patchwell shows nothing, so a
// start beside another one (the program started twice quickly) waits for it
// to end rather than stop with a box and no program: it then starts as any
// start does, after the other's installation the new version.
bool ClaimInstance(Services& services, const CheckRequest& request) {
    if (services.instanceGuard.TryClaim()) {
        return true;
    }
    if (!ReadCheckSettings(services.programFolder, request).autoUpdate) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kWaitForOtherStart;
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (services.instanceGuard.TryClaim()) {
            return true;
        }
    }
    return false;
}

}  // namespace

WindowlessStart StartWithoutWindows(Services& services, ScheduledCheck& scheduled) {
    // A second instance or a folder we cannot write: the windows say so.
    if (!ClaimInstance(services, scheduled.Request()) ||
        FolderShortcoming(services.storage, services.programFolder, 0).has_value()) {
        return {};
    }
    const QString checkUrl =
        common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("verchckurl"),
                             LocalManifestPath(services.programFolder));
    scheduled.Begin(services.programFolder, checkUrl);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const CheckSettings& settings = scheduled.Settings();
    const bool staged =
        settings.autoUpdate &&
        StagedUpdates::InstallerPresent(services.stateFolders.value(0), services.programFolder);
    StartPlan plan = PlanStart(settings, now, staged);
    std::optional<TrustInForce> trust;
    if (plan == StartPlan::InstallStaged) {
        // The kept signing state decides, not what update.ini says now.
        trust = EstablishTrust(services);
        StagedInstall install = StagedUpdates(services.stateFolders, services.programFolder)
                                    .Take(services, *trust, checkUrl, now);
        // A version the user skipped since is not installed either.
        if (install.copy && !SkipsVersion(settings, install.manifest.values.curver)) {
            return {false, std::nullopt, std::move(install)};
        }
        // What failed a check is gone; the start checks as any quiet one.
        plan = StartPlan::CheckQuietly;
    }
    switch (plan) {
        case StartPlan::StartServed:
            return StartServed(services);
        case StartPlan::CheckInWindows:
            return {};
        case StartPlan::CheckQuietly:
        case StartPlan::InstallStaged:
            break;
    }
    if (!trust) {
        trust = EstablishTrust(services);
    }
    if (trust->refusal) {
        ManifestAcceptance refused;
        refused.refusal = trust->refusal;
        return {false, std::move(refused), std::nullopt};
    }
    std::optional<ManifestAcceptance> accepted =
        CheckOnce(services, scheduled, *trust, checkUrl, now);
    if (!accepted) {
        return StartServed(services);
    }
    const QString installed = ProgramKey(services.programFolder, "prgver");
    // Up to date, or only the version the user skipped: nothing to say.
    if (!accepted->refusal && UpdateOffered(accepted->manifest, services.programFolder, installed,
                                            settings) != Offering::Update) {
        DeleteOrReport(services, RemoteManifestPath(services.programFolder));
        return StartServed(services);
    }
    if (!accepted->refusal &&
        PlanOffer(settings, accepted->manifest, installed, scheduled.Metered()) ==
            OfferPlan::StageInBackground &&
        KeepForBackground(services, *accepted)) {
        return StartServedThenStage(services);
    }
    return {false, std::move(accepted), std::nullopt};
}

}  // namespace patchwell::update
