#include "patchwell/update/core/check/front_start.h"

#include "common/ini/ini.h"
#include "common/paths/program_path.h"
#include "patchwell/platform/user_folders.h"
#include "patchwell/update/core/check/schedule.h"
#include "patchwell/update/core/folder_checks.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/staged/staged_update.h"

namespace patchwell::update {

namespace {

// The served program named by `updateIni` started, with the instance slot
// claimed; true also when it names none.
bool StartServedFrom(platform::InstanceGuard& guard, platform::ProcessLauncher& launcher,
                     const QString& programFolder, const common::IniSnapshot& updateIni) {
    if (!guard.TryClaim()) {
        return false;
    }
    const QString exe = updateIni.value(QStringLiteral("Program"), QStringLiteral("exe"));
    return exe.isEmpty() ||
           launcher.StartDetached(common::LocalPath(InProgramFolder(programFolder, exe)), {},
                                  programFolder);
}

}  // namespace

bool StartWithinSchedule(platform::InstanceGuard& guard, platform::FolderStorage& storage,
                         platform::ProcessLauncher& launcher, const QString& programFolder,
                         const QDateTime& nowUtc) {
    // update.ini is read once: the schedule and the program come from the
    // same bytes.
    const common::IniSnapshot updateIni =
        common::IniSnapshot::Read(LocalManifestPath(programFolder));
    const CheckSettings settings = ReadCheckSettings(updateIni, {});
    // A staged update is seen by one look at its file; the whole program
    // checks it before anything of it runs.
    const bool staged = settings.autoUpdate &&
                        StagedUpdates::InstallerPresent(platform::UserStateFolder(), programFolder);
    if (PlanStart(settings, nowUtc, staged) != StartPlan::StartServed || !guard.TryClaim() ||
        FolderShortcoming(storage, programFolder, 0).has_value()) {
        return false;
    }
    return StartServedFrom(guard, launcher, programFolder, updateIni);
}

bool StartUnchecked(platform::InstanceGuard& guard, platform::ProcessLauncher& launcher,
                    const QString& programFolder) {
    return StartServedFrom(guard, launcher, programFolder,
                           common::IniSnapshot::Read(LocalManifestPath(programFolder)));
}

}  // namespace patchwell::update
