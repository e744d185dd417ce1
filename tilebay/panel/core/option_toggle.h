#pragma once

// The panel's option boxes: each change is stored in options.ini first and
// then applied to the desktop.
//   "Hide/Show Taskbar"        -> taskbar      checked: panels hidden
//   "Hide/Show Desktop icons"  -> icons        checked: desktop icon view hidden
//   "Always On Top"            -> alwaysontop  checked: panel above other windows

#include <QtGui/qwindowdefs.h>
#include <QString>

#include "tilebay/platform/shell/shell_effects.h"
#include "tilebay/settings/style_settings.h"

namespace tilebay {

// Writes "ON" or "OFF" for `option`, then applies the matching effect. Running
// it again with the same state writes and applies the same again.
void ToggleOption(PanelOption option, bool checked, const QString& programFolder,
                  ShellEffects& effects, WId panelWindow);

}  // namespace tilebay
