#pragma once

// What the program folder must allow before an update is fetched into it:
// installers saved only inside it (whatever symbolic links lie on the way),
// and a folder that can be written with room for the installer.

#include <QString>

#include "patchwell/platform/folder_storage.h"
#include "patchwell/update/core/refusal.h"

namespace patchwell::update {

// True when `path` lies inside the program folder once every symbolic link
// on the way (in the folder part of both) is resolved. The folder that would
// hold the file must exist; the file itself need not.
bool InsideProgramFolder(const QString& programFolder, const QString& path);

// True when the file a download from `url` to `saveLocation` writes lies
// inside the program folder: the save location as it is and with the URL's
// extension, which the control may give it.
bool SavesInsideProgramFolder(const QString& programFolder, const QString& url,
                              const QString& saveLocation);

// What keeps the program folder from taking an installer of `neededBytes`
// (0 or less: not known yet): the folder and what is missing; none when
// nothing does.
MaybeRefusal FolderShortcoming(platform::FolderStorage& storage, const QString& programFolder,
                               qint64 neededBytes);

}  // namespace patchwell::update
