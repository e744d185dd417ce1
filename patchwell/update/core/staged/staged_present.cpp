// The one look at a staged update that the front makes: nothing here may
// need more than Qt's core library.

#include <QDir>
#include <QFile>

#include <sys/stat.h>

#include "patchwell/update/core/manifest/state_names.h"
#include "patchwell/update/core/staged/staged_update.h"

namespace patchwell::update {

const char kStagedInstallerName[] = "installer";

QString StagedFolderIn(const QString& stateFolder, const QString& programFolder) {
    return QDir(stateFolder).filePath(InstallationStateName("staged-", programFolder));
}

bool StagedUpdates::InstallerPresent(const QString& stateFolder, const QString& programFolder) {
    struct stat info {};
    const QByteArray path = QFile::encodeName(QDir(StagedFolderIn(stateFolder, programFolder))
                                                  .filePath(QLatin1String(kStagedInstallerName)));
    return ::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace patchwell::update
