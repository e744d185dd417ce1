#include "tilebay/panel/core/option_toggle.h"

namespace tilebay {

void ToggleOption(PanelOption option, bool checked, const QString& programFolder,
                  ShellEffects& effects, WId panelWindow) {
    WriteOption(programFolder, option, checked);
    switch (option) {
        case PanelOption::Taskbar:
            effects.ShowTaskbar(!checked);
            break;
        case PanelOption::Icons:
            effects.ShowDesktopIcons(!checked);
            break;
        case PanelOption::AlwaysOnTop:
            effects.SetAlwaysOnTop(panelWindow, checked);
            break;
    }
}

}  // namespace tilebay
