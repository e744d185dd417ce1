#pragma once

// Starting the item of a list row on double-click.

#include <QString>

#include <functional>
#include <optional>

#include "tilebay/platform/system/desktop_folders.h"
#include "tilebay/platform/system/login_name.h"
#include "tilebay/platform/system/run_service.h"

namespace tilebay {

struct ActivationServices {
    LoginNameSource& login;
    DesktopFolders& folders;
    RunService& run;
    // Tells the user why an item was not started (none: nothing is told).
    std::function<void(const QString&)> tell = nullptr;
};

// The clicked row: the entry's name and the folder it was collected from.
struct RowEntry {
    QString text;
    QString folder;
};

// The selected row, or nullopt when no row is selected.
using SelectedRow = std::function<std::optional<RowEntry>()>;

// Starts the item of the selected row from the folder its row was collected
// from, and from nowhere else, so one double-click starts at most one
// program (an entry of the same name on the other desktop is another row):
//   1. the target of the entry when it is a shortcut;
//   2. the entry itself when it is no shortcut.
// Only what would be executed is started: a launcher, a program or script
// (a file with an execute bit) and a link to one; documents and folders
// start nothing. Each must pass the launcher trust rule (launcher_trust.h);
// one that fails it is not started and the user is told why. Other failing
// attempts are skipped silently. A row whose folder is not one of the two
// desktop folders starts nothing. A shortcut that cannot be read yields the
// error text, which is never started, and a link whose target is gone (or
// a loop of links) starts nothing.
void OpenItem(const SelectedRow& selectedRow, ActivationServices& services);

// OpenItem for the row `row`.
void OpenRow(const RowEntry& row, ActivationServices& services);

}  // namespace tilebay
