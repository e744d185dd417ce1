#pragma once

// Starting the item of a list row on double-click.

#include <QString>

#include <functional>
#include <optional>

#include "desktop_folders.h"
#include "login_name.h"
#include "run_service.h"

namespace tilebay {

struct ActivationServices {
    LoginNameSource& login;
    DesktopFolders& folders;
    RunService& run;
};

// The selected row's text (the entry's name), or nullopt when no row is
// selected. Asked afresh by each attempt.
using SelectedRowText = std::function<std::optional<QString>()>;

// Four attempts, always all four and in this order; a failing attempt is
// skipped silently:
//   1. start the target of the shortcut of that name on the user's desktop;
//   2. start the target of the shortcut of that name on the all-users desktop;
//   3. start the entry of that name on the user's desktop itself;
//   4. start the entry of that name on the all-users desktop itself.
// Attempts 1 and 3 ask for the login name afresh. A shortcut that cannot be
// read yields the error text, which is never started, and a link whose target
// is gone starts nothing. A shortcut itself is not a program, so attempts 3
// and 4 leave it alone, as they leave entries that do not exist.
void OpenItem(const SelectedRowText& selectedRowText, ActivationServices& services);

}  // namespace tilebay
