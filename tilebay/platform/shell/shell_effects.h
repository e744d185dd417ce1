#pragma once

// Effects of the panel's options on the user's desktop. The X11
// implementation hides and shows the desktop's dock windows (panels) and its
// icon view, and sets the above state and the opacity of our own windows.
// Without an X server every effect does nothing.

#include <QtGui/qwindowdefs.h>

#include <memory>

namespace tilebay {

class ShellEffects {
public:
    virtual ~ShellEffects() = default;
    // Hides (false) or shows (true) the desktop's panels.
    virtual void ShowTaskbar(bool show) = 0;
    // Hides (false) or shows (true) the desktop's icon view.
    virtual void ShowDesktopIcons(bool show) = 0;
    // Puts `window` into the band above ordinary windows, or back, without
    // moving or resizing it.
    virtual void SetAlwaysOnTop(WId window, bool on) = 0;
    // Opacity 0 (invisible) to 255 (opaque); any other value changes nothing.
    virtual void SetWindowOpacity(WId window, qint16 opacity) = 0;
};

// The desktop's real effects: X11 when the program runs on an X server,
// otherwise effects that do nothing.
std::unique_ptr<ShellEffects> MakeDesktopShellEffects();

}  // namespace tilebay
