#!/usr/bin/env bash
# Shows two updates with patchwell: a program folder with Sample Editor 1.0,
# a private nginx publishing version 2.0 signed with patchwell-publish, and
# patchwell started in that folder; once 2.0 is installed, version 3.0 is
# published with a patch from 2.0's installer, and the second update moves
# only that patch.
#
#   run_demo.sh PATCHWELL NGINX_LAUNCHER X_SESSION PATCHWELL_PUBLISH
#
# With a reachable display you click through it yourself. Without one it runs
# itself again inside a private X session (X_SESSION is the pw-x-session
# command: Xvfb + openbox), clicks through with xdotool and saves a
# screenshot of each window.
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: $0 PATCHWELL NGINX_LAUNCHER X_SESSION PATCHWELL_PUBLISH" >&2; exit 2; }
PATCHWELL=$(realpath "$1")
NGINX_LAUNCHER=$(realpath "$2")
PUBLISH=$(realpath "$4")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/e2e_lib.sh"

if [ -z "${PW_X_SESSION:-}" ] && ! e2e_display_answers; then
    echo "No display: running in a private X session (Xvfb, openbox), clicking through with xdotool."
    exec "$3" --size 1280x800 -- bash "$0" "$@"
fi

e2e_init
WWW="$E2E_TMP/www"
mkdir -p "$WWW" "$E2E_TMP/releases"
e2e_start_nginx "$WWW" 96k
BASE="http://127.0.0.1:$E2E_PORT"
KEY="$E2E_TMP/demo-key"
minisign -G -W -f -p "$KEY.pub" -s "$KEY" >/dev/null

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
verchckurl=$BASE/iupdate.ini
publickey=$(tail -n 1 "$KEY.pub")
INI

# The installers of 2.0 and 3.0: the same program files (about 600 kB, a
# download of several seconds at 96 kB/s), 3.0 with about 200 kB more.
head -c 450000 /dev/urandom | base64 -w 76 >"$E2E_TMP/program-files"
release() {  # release VERSION [NEW_BYTES]: prints the installer's path
    local file="$E2E_TMP/releases/editor-setup-$1.sh"
    { sed "s/^version=.*/version=$1/" "$here/editor-setup.sh"
      cat "$E2E_TMP/program-files"
      head -c "${2:-0}" /dev/urandom | base64 -w 76; } >"$file"
    echo "$file"
}
publish() {  # publish INSTALLER VERSION [OPTION ...]
    local installer=$1 version=$2
    shift 2
    "$PUBLISH" -o "$WWW" -m "$BASE/iupdate.ini" "$@" "$installer" "$BASE/slow/editor-setup.sh" \
        "$version" "$KEY" >/dev/null
}
setup2=$(release 2.0)
setup3=$(release 3.0 150000)
publish "$setup2" 2.0
# 3.0 comes with a patch from 2.0's installer (the one patchwell keeps once
# it ran) and, for installations without it, compressed.
publish_patched() { publish "$setup3" 3.0 --delta-from "$setup2" --compress; }
size_of() { stat -c %s "$1"; }

echo "Program folder: $APP (Sample Editor 1.0)"
echo "Publishing Sample Editor 2.0 at $BASE/iupdate.ini ($(size_of "$WWW/editor-setup.sh") bytes)"

if [ -z "${PW_X_SESSION:-}" ]; then
    # run_once VERSION: patchwell and then Sample Editor until the user closes them.
    run_once() {
        e2e_start_patchwell
        while e2e_running "$E2E_PW_PID"; do sleep 0.5; done
        if wait_for 10 test -s "$APP/editor.pid"; then
            echo "Installed: Sample Editor $(cat "$APP/version.txt"). Close its window to go on."
            while e2e_running "$(cat "$APP/editor.pid")"; do sleep 0.5; done
            rm -f "$APP/editor.pid"
        fi
    }
    echo "Starting patchwell on $DISPLAY. Click OK, then Start Update; pause, resume or"
    echo "cancel as you like. When the installer has run, Sample Editor 2.0 opens."
    run_once
    publish_patched
    echo "Publishing Sample Editor 3.0 with a patch from 2.0: $(size_of "$WWW"/editor-setup.sh.from-*.zstpatch)" \
        "bytes instead of $(size_of "$WWW/editor-setup.sh"). Starting patchwell again."
    run_once
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
echo "Update done: $(tail -n 1 "$APP/install.log")"
kill "$(cat "$APP/editor.pid")" && rm "$APP/editor.pid"

publish_patched
patch=$(echo "$WWW"/editor-setup.sh.from-*.zstpatch)
echo "Publishing Sample Editor 3.0: installer $(size_of "$WWW/editor-setup.sh") bytes," \
    "compressed $(size_of "$WWW/editor-setup.sh.zst"), patch from 2.0 $(size_of "$patch")"
requests_before=$(wc -l <"$E2E_NGINX_WORK/access.log")
e2e_start_patchwell
win=$(e2e_wait_window '^Patchwell$')
sleep 0.3
shot 07-second-update-found
e2e_press_return "$win"
win=$(e2e_wait_window '^Downloading Update$')
wait_for 10 e2e_window_mapped "$win"
e2e_click "$win" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
wait_for 20 title_at_least "$win" 20 || e2e_fail "the patch's download does not progress"
e2e_click "$win" "$PAUSE_X" "$BUTTONS_Y" "$UPDL_WIDTH"
wait_for 5 e2e_title_stable "$win"
shot 08-patch-downloading  # the size shown is the patch's
e2e_click "$win" "$PAUSE_X" "$BUTTONS_Y" "$UPDL_WIDTH"
e2e_wait_window '^Installing Latest version$' 60 >/dev/null
sleep 0.3
shot 09-installing-3.0
wait_for 20 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
wait_for 10 e2e_has_window '^Sample Editor 3.0$' || e2e_fail "Sample Editor 3.0 did not start"
sleep 0.3
shot 10-sample-editor-3.0
echo "Update done: $(tail -n 1 "$APP/install.log")"
echo "Moved for the second update (nginx's log):"
tail -n "+$((requests_before + 1))" "$E2E_NGINX_WORK/access.log" |
    grep -o '"[A-Z]* [^"]*" [0-9]* [0-9]*' | sed 's/^/  /'
echo "update.ini now says $(grep prgver "$APP/update.ini"); installer and iupdate.ini removed:"
ls -1 "$APP" | sed 's/^/  /'
echo "Screenshots saved in: $SHOTS"
