#include "patchwell/update/core/folder_checks.h"

#include <QDir>
#include <QFileInfo>

#include <stdexcept>

#include "common/ini/ini.h"
#include "common/paths/program_path.h"
#include "patchwell/download/control/preserve_extension.h"
#include "patchwell/update/core/manifest/manifest.h"

namespace patchwell::update {

namespace {

// The real path of the folder that holds `path`, or empty when that folder
// does not exist.
QString RealFolderOf(const QString& path) {
    const QFileInfo info(QDir::cleanPath(common::LocalPath(path)));
    return QFileInfo(info.path()).canonicalFilePath();
}

}  // namespace

bool InsideProgramFolder(const QString& programFolder, const QString& path) {
    const QString folder = QFileInfo(common::LocalPath(programFolder)).canonicalFilePath();
    const QString holder = RealFolderOf(path);
    if (folder.isEmpty() || holder.isEmpty()) {
        return false;
    }
    return holder == folder ||
           holder.startsWith(folder == QStringLiteral("/") ? folder : folder + QStringLiteral("/"));
}

bool SavesInsideProgramFolder(const QString& programFolder, const QString& url,
                              const QString& saveLocation) {
    if (!InsideProgramFolder(programFolder, saveLocation)) {
        return false;
    }
    try {
        return InsideProgramFolder(programFolder, download::PreserveExtension(url, saveLocation));
    } catch (const std::exception&) {
        // Too short to carry an extension: the control refuses it too.
        return true;
    }
}

MaybeRefusal FolderShortcoming(platform::FolderStorage& storage, const QString& programFolder,
                               qint64 neededBytes) {
    const QString folder = common::LocalPath(programFolder);
    if (!storage.IsWritable(folder)) {
        return Refusal{RefusalKind::FolderNotWritable, {folder}};
    }
    if (neededBytes > 0) {
        const std::optional<qint64> available = storage.BytesAvailable(folder);
        if (available && *available < neededBytes) {
            return Refusal{RefusalKind::NotEnoughSpace,
                           {folder, QString::number(neededBytes), QString::number(*available)}};
        }
    }
    return {};
}

}  // namespace patchwell::update
