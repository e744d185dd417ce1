#!/usr/bin/env bash
# patchwell's update case on Qt's Wayland platform, under headless sway:
#
#   PW_WL_KEYBOARD=pw-wl-keyboard pw-x-session --wayland -- \
#       bash cases_wayland.sh update PATCHWELL NGINX_LAUNCHER
#
# The windows are read from sway's tree (swaymsg) and driven by keyboard, through one virtual
# keyboard for the whole case (the test desktop's pw-wl-keyboard, named by PW_WL_KEYBOARD). The
# installation window, topmost on X11, is an ordinary raised window here, and nothing is
# printed about it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e_lib.sh
source "$here/e2e_lib.sh"
e2e_args "$@"

# Whether sway shows a window titled exactly $1.
wl_has_window() { swaymsg -t get_tree | grep -Fq "\"name\": \"$1\""; }
wl_wait_window() { wait_for 20 wl_has_window "$1" || e2e_fail "no window titled '$1'"; }
# Starts the keyboard tool; it answers each command once sway has its keys.
wl_keyboard_start() {
    [ -x "${PW_WL_KEYBOARD:-}" ] || e2e_fail "PW_WL_KEYBOARD names no keyboard tool"
    coproc WL_KEYBOARD { "$PW_WL_KEYBOARD"; }
    local ready=""
    read -r -t 20 -u "${WL_KEYBOARD[0]}" ready || true
    [ "$ready" = ready ] || e2e_fail "the keyboard tool did not start"
}
# Presses and releases the key of keysym name $1.
wl_key() {
    local answer=""
    echo "key $1" >&"${WL_KEYBOARD[1]}"
    read -r -t 20 -u "${WL_KEYBOARD[0]}" answer || true
    [ "$answer" = ok ] || e2e_fail "key $1: ${answer:-no answer}"
}

case_update() {
    [ -n "${WAYLAND_DISPLAY:-}" ] || e2e_fail "not in a Wayland session (pw-x-session --wayland)"
    wl_keyboard_start
    e2e_serve 32k
    e2e_program_folder "$E2E_TMP/programs/my app"
    cat >"$WWW/setup.sh" <<'SH'
#!/bin/sh
folder=$2
printf '%s\n' "$@" >"$folder/installer-args.txt"
sed -i 's/^prgver=.*/prgver=2.0/' "$folder/update.ini"
echo "2.0" >"$folder/version.txt"
n=0; while [ ! -e "$folder/release" ] && [ $n -lt 1200 ]; do sleep 0.05; n=$((n+1)); done
SH
    printf '[Update]\ncurver=2.0\ncurverurl=%s\nsavefileas=setup.sh\n' "$BASE/setup.sh" \
        >"$WWW/manifest.ini"
    e2e_local_manifest 1.0 "$BASE/manifest.ini"
    e2e_start_patchwell
    # "An update has been found": OK.
    wl_wait_window "Patchwell"
    wl_key Return
    # The download window: Start Update is its first button.
    wl_wait_window "Downloading Update"
    wl_key space
    wl_wait_window "Installing Latest version"
    wait_for 10 test -s "$APP/installer-args.txt" || e2e_fail "installer did not run"
    printf '/auto\n%s\n' "$APP" | cmp -s - "$APP/installer-args.txt" ||
        e2e_fail "installer arguments: $(cat "$APP/installer-args.txt")"
    touch "$APP/release"
    wait_for 15 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
    grep -qx 'prgver=2.0' "$APP/update.ini" || e2e_fail "update.ini not updated"
    wait_for 10 e2e_served_runs 2.0 || e2e_fail "served program 2.0 not running"
    # Nothing about the missing topmost place, nor any other complaint of Qt's.
    if [ -s "$E2E_TMP/patchwell.log" ]; then
        e2e_fail "patchwell printed: $(cat "$E2E_TMP/patchwell.log")"
    fi
}

e2e_run_case
