#pragma once

#include <QString>
#include <QStringList>

#include "patchwell/download/small/small_fetcher.h"
#include "patchwell/platform/folder_storage.h"
#include "patchwell/platform/instance_guard.h"
#include "patchwell/platform/message_boxes.h"
#include "patchwell/platform/process_launcher.h"
#include "patchwell/platform/program_lifetime.h"

namespace patchwell::update {

// The platform services and the program folder that the windows share.
struct Services {
    platform::ProcessLauncher& launcher;
    platform::InstanceGuard& instanceGuard;
    platform::MessageBoxes& messages;
    platform::ProgramLifetime& lifetime;
    download::SmallFetcher& fetcher;
    QString programFolder;
    QString executablePath;  // the updater's own file
    platform::FolderStorage& storage;
    // Where the signing state of installations is kept (see manifest/trust_state.h).
    QStringList stateFolders;
};

// Deletes the file at `path` (program notation). A file that is not there
// counts as deleted; false only when the file is still there afterwards.
bool DeleteFileAt(const QString& path);

// Deletes `path`; when that fails, tells the user which file stayed.
void DeleteOrReport(Services& services, const QString& path);

// Starts program folder & "/" & `exe` with no arguments, in the program
// folder. An empty `exe` starts nothing. When the start fails, tells the user
// which program could not be started.
void StartServedProgram(Services& services, const QString& exe);

}  // namespace patchwell::update
