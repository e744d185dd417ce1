#include "patchwell/update/core/services.h"

#include <QFile>
#include <QFileInfo>

#include "common/paths/program_path.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/texts.h"

namespace patchwell::update {

bool DeleteFileAt(const QString& path) {
    const QString local = common::LocalPath(path);
    const QFileInfo info(local);
    if (!info.exists() && !info.isSymLink()) {
        return true;
    }
    if (info.isDir()) {
        return false;
    }
    return QFile::remove(local);
}

void DeleteOrReport(Services& services, const QString& path) {
    if (!DeleteFileAt(path)) {
        services.messages.Show(texts::CouldNotDelete(common::LocalPath(path)),
                               platform::MessageIcon::Warning, texts::ApplicationTitle());
    }
}

void StartServedProgram(Services& services, const QString& exe) {
    if (exe.isEmpty()) {
        return;
    }
    const QString program = common::LocalPath(InProgramFolder(services.programFolder, exe));
    if (!services.launcher.StartDetached(program, {}, services.programFolder)) {
        services.messages.Show(texts::CouldNotStart(program), platform::MessageIcon::Warning,
                               texts::ApplicationTitle());
    }
}

}  // namespace patchwell::update
