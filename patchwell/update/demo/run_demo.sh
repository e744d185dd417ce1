#!/usr/bin/env bash
# Shows a whole update with patchwell: a program folder with Sample Editor
# 1.0, a private nginx publishing version 2.0 and its installer, and
# patchwell started in that folder.
#
#   run_demo.sh PATCHWELL NGINX_LAUNCHER X_SESSION
#
# With a reachable display you click through it yourself. Without one it runs
# itself again inside a private X session (X_SESSION is the pw-x-session
# command: Xvfb + openbox), clicks through with xdotool and saves a
# screenshot of each window.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 PATCHWELL NGINX_LAUNCHER X_SESSION" >&2; exit 2; }
PATCHWELL=$(realpath "$1")
NGINX_LAUNCHER=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/e2e_lib.sh"

if [ -z "${PW_X_SESSION:-}" ] && ! e2e_display_answers; then
    echo "No display: running in a private X session (Xvfb, openbox), clicking through with xdotool."
    exec "$3" --size 1280x800 -- bash "$0" "$@"
fi

e2e_init
WWW="$E2E_TMP/www"
mkdir -p "$WWW"
e2e_start_nginx "$WWW" 96k
BASE="http://127.0.0.1:$E2E_PORT"

APP="$E2E_TMP/Sample Editor"
mkdir -p "$APP"
cp "$PATCHWELL" "$APP/patchwell"
cp "$here/editor.sh" "$APP/editor.sh"
chmod +x "$APP/editor.sh"
echo "1.0" >"$APP/version.txt"
E2E_PIDFILES+=("$APP/editor.pid")
cat >"$APP/update.ini" <<INI
[Program]
Prgname=Sample Editor
prgver=1.0
exe=editor.sh
[Update]
verchckurl=$BASE/manifest.ini
INI

cp "$here/editor-setup.sh" "$WWW/editor-setup.sh"
# About 600 kB at 96 kB/s: a download of several seconds.
head -c 600000 /dev/zero | tr '\0' '#' >>"$WWW/editor-setup.sh"
cat >"$WWW/manifest.ini" <<INI
[Update]
curver=2.0
curverurl=$BASE/slow/editor-setup.sh
savefileas=editor-setup.sh
[updateprg]
curver=1.0
curverurl=$BASE/patchwell
INI

echo "Program folder: $APP (Sample Editor 1.0)"
echo "Publishing Sample Editor 2.0 at $BASE/manifest.ini"

if [ -z "${PW_X_SESSION:-}" ]; then
    echo "Starting patchwell on $DISPLAY. Click OK, then Start Update; pause, resume or"
    echo "cancel as you like. When the installer has run, Sample Editor 2.0 opens."
    e2e_start_patchwell
    while e2e_running "$E2E_PW_PID"; do sleep 0.5; done
    if wait_for 10 test -s "$APP/editor.pid"; then
        echo "Installed: Sample Editor $(cat "$APP/version.txt"). Close its window to finish."
        while e2e_running "$(cat "$APP/editor.pid")"; do sleep 0.5; done
    fi
    exit 0
fi

SHOTS=$(mktemp -d /tmp/patchwell-demo-shots.XXXXXX)
shot() {
    e2e_screenshot "$SHOTS/$1.png"
    echo "  screenshot $1.png"
}
e2e_start_patchwell

win=$(e2e_wait_window '^Patchwell$')
sleep 0.3  # let the box paint before the picture
shot 01-update-found
e2e_press_return "$win"

win=$(e2e_wait_window '^Downloading Update$')
wait_for 10 e2e_window_mapped "$win"
shot 02-download-window
e2e_click "$win" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"  # Start Update
wait_for 20 title_at_least "$win" 20 || e2e_fail "download does not progress"
shot 03-downloading
e2e_click "$win" "$PAUSE_X" "$BUTTONS_Y" "$UPDL_WIDTH"  # Pause Update
wait_for 5 e2e_title_stable "$win"
shot 04-paused
e2e_click "$win" "$PAUSE_X" "$BUTTONS_Y" "$UPDL_WIDTH"  # Resume Update
extract=$(e2e_wait_window '^Installing Latest version$' 60)
sleep 0.3
shot 05-installing
wait_for 20 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
wait_for 10 e2e_has_window '^Sample Editor 2.0$' || e2e_fail "Sample Editor 2.0 did not start"
sleep 0.3
shot 06-sample-editor-2.0
echo "Update done: $(cat "$APP/install.log")"
echo "update.ini now says $(grep prgver "$APP/update.ini"); installer and iupdate.ini removed:"
ls -1 "$APP" | sed 's/^/  /'
echo "Screenshots saved in: $SHOTS"
