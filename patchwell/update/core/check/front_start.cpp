#include "patchwell/update/core/check/front_start.h"

#include "common/ini/ini.h"
#include "common/paths/program_path.h"
#include "patchwell/update/core/check/schedule.h"
#include "patchwell/update/core/folder_checks.h"
#include "patchwell/update/core/manifest/manifest.h"

namespace patchwell::update {

bool StartWithinSchedule(platform::InstanceGuard& guard, platform::FolderStorage& storage,
                         platform::ProcessLauncher& launcher, const QString& programFolder,
                         const QDateTime& nowUtc) {
    const CheckSettings settings = ReadCheckSettings(programFolder, {});
    if (PlanStart(settings, nowUtc) != StartPlan::StartServed || !guard.TryClaim() ||
        !FolderShortcoming(storage, programFolder, 0).isEmpty()) {
        return false;
    }
    return StartUnchecked(guard, launcher, programFolder);
}

bool StartUnchecked(platform::InstanceGuard& guard, platform::ProcessLauncher& launcher,
                    const QString& programFolder) {
    if (!guard.TryClaim()) {
        return false;
    }
    const QString exe = common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("exe"),
                                             LocalManifestPath(programFolder));
    return exe.isEmpty() ||
           launcher.StartDetached(common::LocalPath(InProgramFolder(programFolder, exe)), {},
                                  programFolder);
}

}  // namespace patchwell::update
