#include "process_launcher.h"

#include <QFileInfo>
#include <QProcess>

namespace patchwell::platform {

bool DetachedProcessLauncher::StartDetached(const QString& program, const QStringList& arguments,
                                            const QString& workingFolder) {
    // QProcess would search PATH for a bare name; the programs we start are
    // always files at a known place, so refuse anything that is not one.
    const QFileInfo info(program);
    if (!info.isFile()) {
        return false;
    }
    QProcess process;
    process.setProgram(info.absoluteFilePath());
    process.setArguments(arguments);
    process.setWorkingDirectory(workingFolder);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

}  // namespace patchwell::platform
