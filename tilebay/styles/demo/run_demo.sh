#!/usr/bin/env bash
# Shows tilebay on its shipped styles: a temporary program folder with the
# program, the styles and the default style choice, two desktops with a few
# items, and tilebay started there.
#
#   run_demo.sh TILEBAY X_SESSION
#
# TILEBAY is the built program; its folder must also hold the shipped styles
# (the tilebay_shipped_styles target puts them there). With a reachable
# display you use the panel yourself. Without one it runs itself again inside
# a private X session (X_SESSION is the pw-x-session command: Xvfb, openbox,
# tint2 as the taskbar, xcompmgr for the styles' opacity), drives the panel
# with xdotool through the style loader and saves a screenshot of each step.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 TILEBAY X_SESSION" >&2; exit 2; }
TILEBAY=$(realpath "$1")
BUILT=$(dirname "$TILEBAY")
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../../common/testing/desktop/script_lib.sh
source "$here/../../../common/testing/desktop/script_lib.sh"

[ -x "$TILEBAY" ] || e2e_fail "no tilebay program at $TILEBAY"
[ -d "$BUILT/styles" ] || e2e_fail "no shipped styles beside $TILEBAY"
if [ -z "${PW_X_SESSION:-}" ] && ! e2e_display_answers; then
    echo "No display: running in a private X session (Xvfb, openbox, tint2, xcompmgr),"
    echo "driving tilebay with xdotool."
    exec "$2" --panel --compositor --size 1280x800 -- bash "$0" "$@"
fi

e2e_init
APP="$E2E_TMP/Tilebay"
mkdir -p "$APP"
cp "$TILEBAY" "$APP/tilebay"
cp -r "$BUILT/styles" "$APP/styles"
cp "$BUILT/styleloader.ini" "$APP/styleloader.ini"

# Desktops of a user of our own: HOME, XDG folders and the all-users desktop
# all lie in the temporary folder, so the real desktop stays untouched.
export HOME="$E2E_TMP/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export XDG_DATA_DIRS="$E2E_TMP/share:/usr/local/share:/usr/share"
export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
mkdir -p "$HOME/Desktop" "$E2E_TMP/share/tilebay/Desktop" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
common="$E2E_TMP/share/tilebay/Desktop"
mkdir -p "$common/Shared Projects" "$HOME/Desktop/Photos" "$HOME/Desktop/Music"
printf '[Desktop Entry]\nType=Application\nName=Terminal\nExec=xterm\n' >"$common/terminal.desktop"
for n in $(seq 1 8); do echo "note $n" >"$HOME/Desktop/note-$n.txt"; done
for n in $(seq 1 6); do echo "row,$n" >"$HOME/Desktop/table-$n.csv"; done
echo '<html></html>' >"$HOME/Desktop/index.html"
ln -s /usr/bin/xclock "$HOME/Desktop/Clock"

start_tilebay() {
    (cd "$APP" && exec ./tilebay) >>"$E2E_TMP/tilebay.log" 2>&1 &
    TB_PID=$!
    E2E_PIDS+=("$TB_PID")
}

echo "Program folder: $APP (styles: $(ls "$APP/styles" | tr '\n' ' '))"

if [ -z "${PW_X_SESSION:-}" ]; then
    echo "Starting tilebay on $DISPLAY. It hangs from the top-left screen edge (Ocean):"
    echo "move the pointer onto its caption strip to drop it down, onto a border to pull"
    echo "it back. The small square at the top right opens the style loader: click a"
    echo "style folder and Load. The Close label ends tilebay (and this demo)."
    echo "Run '$APP/tilebay --toggle' to drop it with the keyboard (type to filter, Enter,"
    echo "Escape). Opacity shows only with a compositor running (xcompmgr -n, picom)."
    start_tilebay
    while e2e_running "$TB_PID"; do sleep 0.5; done
    exit 0
fi

SHOTS=$(mktemp -d /tmp/tilebay-demo-shots.XXXXXX)
shot() {
    e2e_screenshot "$SHOTS/$1.png"
    echo "  screenshot $1.png"
}
# The visible tilebay windows titled exactly $1.
tb_window() { xdotool search --onlyvisible --class '^tilebay$' 2>/dev/null | while read -r w; do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && echo "$w"; done | head -n 1; }
tb_has_window() { [ -n "$(tb_window "$1")" ]; }
tb_not_window() { ! tb_has_window "$1"; }
# The window's top-left corner on the screen: sets X and Y.
position() { eval "$(xdotool getwindowgeometry --shell "$1")"; }
# The panel hangs retracted: its top lies above the screen.
retracted() { position "$1"; [ "$Y" -lt 0 ]; }
dropped() { position "$1"; [ "$Y" -ge 0 ]; }
# Moves the pointer onto the caption strip of the retracted panel and waits
# for it to drop into view.
drop_panel() {
    position "$1"
    xdotool mousemove $((X + WIDTH / 2)) 8
    wait_for 5 dropped "$1" || e2e_fail "the panel did not drop into view"
    sleep 0.3
}
wm_class_of() { xprop -id "$1" WM_CLASS | sed 's/^WM_CLASS(STRING) = //'; }

start_tilebay

# The splash shows while the panel collects its items.
if wait_for 10 tb_has_window 'Tilebay - Loading...'; then
    splash=$(tb_window 'Tilebay - Loading...')
    shot 01-splash-ocean
    echo "  splash: WM_NAME \"$(xdotool getwindowname "$splash")\", WM_CLASS $(wm_class_of "$splash")"
else
    echo "  (the splash closed before it could be photographed)"
fi
wait_for 20 tb_has_window 'Tilebay' || e2e_fail "the panel did not show"
panel=$(tb_window 'Tilebay')
wait_for 10 retracted "$panel" || e2e_fail "the panel did not retract"
sleep 0.3
shot 02-ocean-retracted-left
echo "  panel: WM_CLASS $(wm_class_of "$panel")"
drop_panel "$panel"
shot 03-ocean-dropped

# The keyboard: with the pointer away from the panel, `tilebay --toggle`
# drops it with the keyboard; typing filters the rows, Escape clears the
# filter and then retracts the panel.
xdotool mousemove 1 200  # the left border strip retracts it
wait_for 5 retracted "$panel" || e2e_fail "the panel did not retract"
xdotool mousemove 600 400
"$APP/tilebay" --toggle
wait_for 5 dropped "$panel" || e2e_fail "--toggle did not drop the panel"
sleep 0.3
xdotool type --delay 80 note
sleep 0.3
shot 03b-ocean-keyboard-filter
xdotool key --delay 80 Escape Escape
wait_for 5 retracted "$panel" || e2e_fail "Escape did not retract the panel"
xdotool mousemove 600 400  # away, so that the next move onto the caption strip is one
drop_panel "$panel"

# The style loader: the small square at 3240,240 twips, 9 pixels wide.
xdotool mousemove --window "$panel" 220 20 click 1
wait_for 10 tb_has_window 'Load Style' || e2e_fail "the style loader did not open"
loader=$(tb_window 'Load Style')
sleep 0.3
shot 04-style-loader
echo "  style loader: WM_CLASS $(wm_class_of "$loader")"
# Choose a style folder: a click into the list, then End (the last folder,
# Ocean) and Up to the one before it.
choose_style() {  # choose_style LOADER STEPS_UP SCREENSHOT
    local loader=$1 up=$2
    # Out of the dropped panel's way, as a user would drag it.
    xdotool windowmove --sync "$loader" 820 300 >/dev/null 2>&1 || true
    e2e_activate "$loader"
    xdotool mousemove --window "$loader" 100 12 click 1
    xdotool key --clearmodifiers End
    for _ in $(seq 1 "$up"); do xdotool key --clearmodifiers Up; done
    sleep 0.3
    shot "$3"
    # "Load" at 4320,120 twips, 65 by 21 pixels.
    xdotool mousemove --window "$loader" 320 18 click 1
    wait_for 10 tb_not_window 'Load Style' || e2e_fail "the style loader did not close"
    echo "  styleloader.ini now holds: $(grep stylename "$APP/styleloader.ini")"
    wait_for 20 tb_has_window 'Tilebay' || e2e_fail "the panel did not come back"
    panel=$(tb_window 'Tilebay')
    wait_for 10 retracted "$panel" || e2e_fail "the new panel did not retract"
    sleep 0.3
}
choose_style "$loader" 1 05-forest-chosen
shot 06-forest-retracted-centre
drop_panel "$panel"
shot 07-forest-dropped

xdotool mousemove --window "$panel" 220 20 click 1
wait_for 10 tb_has_window 'Load Style' || e2e_fail "the style loader did not open again"
sleep 0.3
choose_style "$(tb_window 'Load Style')" 2 08-ember-chosen
drop_panel "$panel"
shot 09-ember-dropped-right

# "Close" at 2880,0 twips, 41 by 17 pixels: the program ends.
xdotool mousemove --window "$panel" 212 8 click 1
wait_for 10 e2e_not_running "$TB_PID" || e2e_fail "tilebay did not end on Close"
sleep 0.3
shot 10-closed
echo "tilebay ended on Close; what it wrote to stdout and stderr:"
sed 's/^/  | /' "$E2E_TMP/tilebay.log"
echo "Screenshots saved in: $SHOTS"
