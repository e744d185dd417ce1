#include "tilebay/app/shell_restore.h"

#include <QFile>

#include <sys/stat.h>

#include "common/files/whole_file.h"
#include "tilebay/platform/system/safe_file.h"

namespace tilebay {
namespace {

const QString kTaskbar = QStringLiteral("taskbar");
const QString kIcons = QStringLiteral("icons");
constexpr qint64 kMaxStateBytes = 4096;

}  // namespace

QString ShellStatePath(const QString& lockPath) {
    if (lockPath.isEmpty()) {
        return {};
    }
    QString path = lockPath;
    if (path.endsWith(QStringLiteral(".lock"))) {
        path.chop(5);
    }
    return path + QStringLiteral(".hidden");
}

RestorableShellEffects::RestorableShellEffects(ShellEffects& inner, QString statePath)
    : inner_(inner), statePath_(std::move(statePath)) {}

bool RestorableShellEffects::RestoreAfterUncleanEnd() {
    struct stat info {};
    if (statePath_.isEmpty() || ::lstat(QFile::encodeName(statePath_).constData(), &info) != 0) {
        return false;
    }
    // Read without waiting and only from a regular file of its own name: a
    // FIFO, a link or anything larger than the two words shows both again.
    const std::optional<RegularFile> file =
        ReadRegularFile(statePath_, kMaxStateBytes, LinkPolicy::Refuse);
    const QStringList words =
        file ? QString::fromUtf8(file->bytes).split(u'\n') : QStringList{kTaskbar, kIcons};
    if (words.contains(kTaskbar)) {
        inner_.ShowTaskbar(true);
    }
    if (words.contains(kIcons)) {
        inner_.ShowDesktopIcons(true);
    }
    QFile::remove(statePath_);
    return true;
}

// The record comes before hiding and after showing, so that at every moment
// the file names at least what is hidden.
void RestorableShellEffects::ShowTaskbar(bool show) {
    if (!show) {
        Mark(kTaskbar, true);
    }
    inner_.ShowTaskbar(show);
    if (show) {
        Mark(kTaskbar, false);
    }
}

void RestorableShellEffects::ShowDesktopIcons(bool show) {
    if (!show) {
        Mark(kIcons, true);
    }
    inner_.ShowDesktopIcons(show);
    if (show) {
        Mark(kIcons, false);
    }
}

void RestorableShellEffects::Mark(const QString& what, bool hidden) {
    if (statePath_.isEmpty() || hidden_.contains(what) == hidden) {
        return;
    }
    if (hidden) {
        hidden_.append(what);
    } else {
        hidden_.removeAll(what);
    }
    if (hidden_.isEmpty()) {
        QFile::remove(statePath_);
        return;
    }
    common::ReplaceFile(statePath_, hidden_.join(u'\n').toUtf8() + '\n', true);
}

}  // namespace tilebay
