#include "item_activation.h"

#include <QFileInfo>

#include "shortcut.h"

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

void StartShortcutTarget(const QString& entry, RunService& run) {
    if (entry.isEmpty()) {
        return;
    }
    const QString target = ResolveShortcut(entry);
    if (target == ShortcutErrorText()) {
        return;
    }
    // A link's target is a path, not a command line: when it is gone there is
    // nothing to start, and a path with blanks must not be taken apart.
    if (QFileInfo(entry).isSymLink() && !QFileInfo::exists(target)) {
        return;
    }
    run.Start(target);
}

void StartEntry(const QString& entry, RunService& run) {
    // An entry that is not there has nothing to start; handing its path on
    // would let the run service take it apart at a blank.
    if (entry.isEmpty() || IsShortcutFile(entry) || !QFileInfo::exists(entry)) {
        return;
    }
    run.Start(entry);
}

}  // namespace

void OpenItem(const SelectedRowText& selectedRowText, ActivationServices& services) {
    StartShortcutTarget(
        EntryPath(services.folders.UserDesktop(services.login.LoginName()), selectedRowText()),
        services.run);
    StartShortcutTarget(EntryPath(services.folders.AllUsersDesktop(), selectedRowText()),
                        services.run);
    StartEntry(
        EntryPath(services.folders.UserDesktop(services.login.LoginName()), selectedRowText()),
        services.run);
    StartEntry(EntryPath(services.folders.AllUsersDesktop(), selectedRowText()), services.run);
}

}  // namespace tilebay
