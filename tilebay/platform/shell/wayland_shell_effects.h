#pragma once

// The shell effects on Qt's Wayland platform. A Wayland client cannot reach another program's
// surfaces, so there is no taskbar or desktop icon view to hide: those options say why they are
// unavailable. The panel's own surface is a layer surface (tilebay's layer-shell module,
// tilebay/platform/wayland); its keyboard and its layer are asked for through dynamic
// properties of its QWindow, which that module watches:
//   "tilebayKeyboard"  "exclusive" while the panel holds the keyboard, "none" after it
//   "tilebayAbove"     true: the overlay layer (above full-screen windows too); false: the top
//                      layer (above ordinary windows)
// Without that module the properties change nothing. Opacity is left alone: Qt's Wayland
// windows have none to set.

#include <memory>

#include "tilebay/platform/shell/shell_effects.h"

namespace tilebay {

std::unique_ptr<ShellEffects> MakeWaylandShellEffects();

// What the panel's Wayland-side module reads on the panel's QWindow.
inline constexpr char kKeyboardProperty[] = "tilebayKeyboard";
inline constexpr char kAboveProperty[] = "tilebayAbove";

}  // namespace tilebay
