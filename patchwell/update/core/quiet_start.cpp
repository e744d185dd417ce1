#include "patchwell/update/core/quiet_start.h"

#include <QRandomGenerator>

#include "common/ini/ini.h"
#include "patchwell/update/core/folder_checks.h"
#include "patchwell/update/core/signed_update.h"

namespace patchwell::update {

namespace {

QString ProgramKey(const QString& programFolder, const char* key) {
    return common::ReadIniValue(QStringLiteral("Program"), QString::fromLatin1(key),
                                LocalManifestPath(programFolder));
}

bool StartServed(Services& services) {
    StartServedProgram(services, ProgramKey(services.programFolder, "exe"));
    return true;
}

}  // namespace

bool StartWithoutWindows(Services& services, ScheduledCheck& scheduled) {
    // A second instance or a folder we cannot write: the windows say so.
    if (!services.instanceGuard.TryClaim() ||
        !FolderShortcoming(services.storage, services.programFolder, 0).isEmpty()) {
        return false;
    }
    const QString checkUrl =
        common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("verchckurl"),
                             LocalManifestPath(services.programFolder));
    scheduled.Begin(services.programFolder, checkUrl);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const CheckSkip skip = scheduled.Skip(now);
    if (skip != CheckSkip::None) {
        return StartServed(services);
    }
    if (!scheduled.Settings().quiet) {
        return false;
    }
    ScheduledCheck::Fetched fetched = scheduled.FetchManifest(false);
    if (fetched.kind != ScheduledCheck::Fetched::Kind::Manifest) {
        return StartServed(services);
    }
    ManifestAcceptance accepted = AcceptManifest(services, fetched.bytes, checkUrl, now);
    if (!accepted.refusal.isEmpty() && fetched.fromCache) {
        scheduled.DropCache();
        fetched = scheduled.FetchManifest(true);
        if (fetched.kind != ScheduledCheck::Fetched::Kind::Manifest) {
            return StartServed(services);
        }
        accepted = AcceptManifest(services, fetched.bytes, checkUrl, now);
    }
    if (!accepted.refusal.isEmpty()) {
        return false;
    }
    scheduled.Completed(now);
    if (IsUpToDate(ProgramKey(services.programFolder, "prgver"), accepted.manifest.values.curver) ||
        !OfferedInRollout(accepted.manifest, services.programFolder, *QRandomGenerator::system())) {
        DeleteOrReport(services, RemoteManifestPath(services.programFolder));
        return StartServed(services);
    }
    return false;
}

}  // namespace patchwell::update
