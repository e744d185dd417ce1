#include "tilebay/platform/system/run_service.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "tilebay/platform/system/command_line.h"

namespace tilebay {
namespace {

bool IsExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

}  // namespace

bool ProcessRunService::StartIn(const QString& text, const QString& workingFolder) {
    if (text.trimmed().isEmpty() ||
        (!workingFolder.isEmpty() && !QFileInfo(workingFolder).isDir())) {
        return false;
    }
    if (QDir::isAbsolutePath(text) && QFileInfo::exists(text)) {
        return IsExecutableFile(text) && QProcess::startDetached(text, {}, workingFolder);
    }
    const std::optional<QStringList> words = SplitCommandLine(text);
    if (!words || words->isEmpty() || words->first().isEmpty()) {
        return false;
    }
    QString program = words->first();
    if (program.contains(u'/')) {
        if (!QDir::isAbsolutePath(program)) {
            return false;  // relative to whatever the current folder happens to be
        }
    } else {
        program = QStandardPaths::findExecutable(program);
        if (program.isEmpty()) {
            return false;
        }
    }
    if (!IsExecutableFile(program)) {
        return false;
    }
    return QProcess::startDetached(program, words->mid(1), workingFolder);
}

}  // namespace tilebay
