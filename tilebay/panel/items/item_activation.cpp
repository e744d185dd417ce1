#include "tilebay/panel/items/item_activation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "tilebay/platform/system/command_line.h"
#include "tilebay/platform/system/launcher_trust.h"
#include "tilebay/platform/system/shortcut.h"

namespace tilebay {
namespace {

// The entry of `row` in `folder`; empty when either names nothing. A row holds
// one file name, never a path.
QString EntryPath(const QString& folder, const std::optional<QString>& row) {
    if (folder.isEmpty() || !row || row->isEmpty() || row->contains(u'/') ||
        *row == QStringLiteral(".") || *row == QStringLiteral("..")) {
        return {};
    }
    return folder + u'/' + *row;
}

void Tell(ActivationServices& services, const QString& text) {
    if (services.tell) {
        services.tell(text);
    }
}

// The program that a launcher's TryExec names exists: an absolute path to an
// executable file, or a name found on PATH.
bool TryExecFound(const QString& tryExec) {
    if (tryExec.isEmpty()) {
        return true;
    }
    const QString program =
        QDir::isAbsolutePath(tryExec) ? tryExec : QStandardPaths::findExecutable(tryExec);
    const QFileInfo info(program);
    return !program.isEmpty() && info.isFile() && info.isExecutable();
}

// A launcher, or a link to one, follows the Desktop Entry rules: it is run
// only when it is trusted (executable, and written by the user or root
// alone), TryExec must name an existing program, Terminal=true runs the
// command in the desktop's terminal, and Path= is the working folder. The
// command comes from the same bytes that were checked.
void StartLauncher(const QString& entry, const QString& name, ActivationServices& services) {
    const std::optional<TrustedLauncher> launcher = ReadTrustedLauncher(entry);
    if (!launcher) {
        Tell(services, UntrustedStartText(name));
        return;
    }
    if (!TryExecFound(launcher->entry.tryExec)) {
        return;
    }
    const QString target = LauncherTarget(launcher->entry, launcher->path);
    if (target == ShortcutErrorText()) {
        return;
    }
    QString command = target;
    if (launcher->entry.terminal) {
        command = JoinCommandLine({QStringLiteral("x-terminal-emulator"), QStringLiteral("-e")}) +
                  u' ' + target;
    }
    services.run.StartIn(command, launcher->entry.path);
}

// A program or script, or a link to one: started as the file it finally is,
// the very file that was checked, and only when it and every link on the way
// pass the trust rule. Anything that would not be executed (a document, a
// folder, a link whose target is gone) starts nothing.
void StartProgram(const QString& entry, const QString& name, ActivationServices& services) {
    if (!WouldBeExecuted(entry)) {
        return;
    }
    const std::optional<OpenedProgram> program = TrustedProgram(entry);
    if (!program) {
        Tell(services, UntrustedStartText(name));
        return;
    }
    services.run.StartOpened(*program);
}

void StartShortcutTarget(const QString& entry, const QString& name, ActivationServices& services) {
    if (entry.isEmpty()) {
        return;
    }
    // A link to a launcher is that launcher, never a script to run.
    if (!LauncherBehind(entry).isEmpty()) {
        StartLauncher(entry, name, services);
        return;
    }
    if (QFileInfo(entry).isSymLink()) {
        StartProgram(entry, name, services);
    }
}

void StartEntry(const QString& entry, const QString& name, ActivationServices& services) {
    if (entry.isEmpty() || IsShortcutFile(entry)) {
        return;
    }
    StartProgram(entry, name, services);
}

// The row's folder must be one of the desktops the list is collected from.
bool IsDesktopFolder(const QString& folder, ActivationServices& services) {
    if (folder.isEmpty()) {
        return false;
    }
    const QString clean = QDir::cleanPath(folder);
    for (const QString& desktop : {services.folders.UserDesktop(services.login.LoginName()),
                                   services.folders.AllUsersDesktop()}) {
        if (!desktop.isEmpty() && QDir::cleanPath(desktop) == clean) {
            return true;
        }
    }
    return false;
}

}  // namespace

void OpenItem(const SelectedRow& selectedRow, ActivationServices& services) {
    if (const std::optional<RowEntry> row = selectedRow()) {
        OpenRow(*row, services);
    }
}

void OpenRow(const RowEntry& row, ActivationServices& services) {
    if (!IsDesktopFolder(row.folder, services)) {
        return;
    }
    const QString entry = EntryPath(row.folder, row.text);
    StartShortcutTarget(entry, row.text, services);
    StartEntry(entry, row.text, services);
}

}  // namespace tilebay
