# shellcheck shell=bash
# Shared steps of patchwell's end-to-end tests and demo: the command line of
# a case script, a private nginx, a temporary program folder with patchwell,
# and the windows of patchwell. The display, the process cleanup and the
# window helpers come from common/testing/desktop/script_lib.sh; the tests
# run under pw-x-session, which starts the private X session:
#
#   pw-x-session --size 1280x800 -- bash run_e2e.sh CASE PATCHWELL NGINX_LAUNCHER [PUBLISH]

# The variables set here are read by the scripts that source this file.
# shellcheck disable=SC2034

e2e_lib_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../../common/testing/desktop/script_lib.sh
source "$e2e_lib_dir/../../../common/testing/desktop/script_lib.sh"

# Client positions (pixels at 96 dots per inch) of the download window's
# buttons, which is 383 pixels wide there; the row is 17 pixels above the
# bottom (193 of 210 as designed; lower where the language's longest texts
# take more lines).
UPDL_WIDTH=383
START_X=58 PAUSE_X=189 CANCEL_X=324 BUTTONS_Y=bottom-17

# e2e_args "$@": the command line of a case script,
# CASE PATCHWELL NGINX_LAUNCHER [PATCHWELL_PUBLISH].
e2e_args() {
    [ $# -ge 3 ] || {
        echo "usage: $(basename "$0") CASE PATCHWELL NGINX_LAUNCHER [PATCHWELL_PUBLISH]" >&2
        exit 2
    }
    CASE=$1
    PATCHWELL=$2
    NGINX_LAUNCHER=$3
    PUBLISH=${4:-}
}

# Runs the case named on the command line.
e2e_run_case() {
    declare -F "case_$CASE" >/dev/null || e2e_fail "no case '$CASE'"
    "case_$CASE"
    e2e_log "PASS: $CASE"
}

# e2e_serve [RATE]: the temporary folder, the private display and a private
# nginx serving $WWW (at RATE on /slow/); sets BASE.
e2e_serve() {
    e2e_init
    e2e_require_session
    # patchwell's signing state and lock folder: the test's own.
    export XDG_STATE_HOME="$E2E_TMP/state" XDG_CACHE_HOME="$E2E_TMP/cache"
    WWW="$E2E_TMP/www"
    mkdir -p "$WWW"
    e2e_start_nginx "$WWW" "${1:-32k}"
    BASE="http://127.0.0.1:$E2E_PORT"
}

# e2e_metered_bus: a private bus with a stand-in NetworkManager on it
# ($PW_FAKE_NM) that calls the connection metered; sets E2E_METERED_BUS, the
# address to give patchwell alone as DBUS_SYSTEM_BUS_ADDRESS, never the
# machine's own bus.
e2e_metered_bus() {
    [ -x "${PW_FAKE_NM:-}" ] || e2e_fail "no stand-in NetworkManager (PW_FAKE_NM)"
    local bus="$E2E_TMP/bus"
    mkdir -p "$bus"
    dbus-daemon --session --address="unix:path=$bus/socket" --nofork --print-pid=3 \
        3>"$bus/pid" >/dev/null 2>&1 &
    E2E_PIDS+=("$!")
    wait_for 10 test -S "$bus/socket" || e2e_fail "the private bus did not start"
    E2E_METERED_BUS="unix:path=$bus/socket"
    DBUS_SYSTEM_BUS_ADDRESS=$E2E_METERED_BUS "$PW_FAKE_NM" --metered >"$bus/nm.out" 2>&1 &
    E2E_PIDS+=("$!")
    wait_for 10 grep -qx ready "$bus/nm.out" || e2e_fail "the stand-in NetworkManager did not start"
}

# e2e_program_folder PATH: copies patchwell (alone, as a publisher ships it:
# it carries its translations) and the served program there.
e2e_program_folder() {
    APP="$1"
    mkdir -p "$APP"
    cp "$PATCHWELL" "$APP/patchwell"
    cat >"$APP/served.sh" <<'SH'
#!/bin/sh
# The served program: tells who it is and keeps running.
dir=$(dirname "$0")
echo $$ >"$dir/served.pid"
echo "version $(cat "$dir/version.txt" 2>/dev/null)" >>"$dir/served.log"
exec sleep 600
SH
    chmod +x "$APP/served.sh"
    echo "1.0" >"$APP/version.txt"
    E2E_PIDFILES+=("$APP/served.pid")
}

# e2e_local_manifest VERSION URL [EXE]
e2e_local_manifest() {
    printf '[Program]\nPrgname=Sample Editor\nprgver=%s\nexe=%s\n[Update]\nverchckurl=%s\n' \
        "$1" "${3-served.sh}" "$2" >"$APP/update.ini"
}

# e2e_start_patchwell [OPTION ...]: starts patchwell in the program folder
# (in E2E_CWD by its full path when that is set), with the user's cache in the
# case's folder (or E2E_CACHE), in English unless E2E_LANGUAGE names another
# language; sets E2E_PW_PID.
e2e_start_patchwell() {
    local program=./patchwell
    [ -z "${E2E_CWD:-}" ] || program=$APP/patchwell
    (cd "${E2E_CWD:-$APP}" && LANGUAGE="${E2E_LANGUAGE:-en}" \
        XDG_CACHE_HOME="${E2E_CACHE:-$E2E_TMP/cache}" exec "$program" "$@") \
        >>"$E2E_TMP/patchwell.log" 2>&1 &
    E2E_PW_PID=$!
    E2E_PIDS+=("$E2E_PW_PID")
}

# e2e_expect_message TEXT: the open message box shows TEXT; Return (OK)
# closes it.
e2e_expect_message() {
    local win text
    win=$(e2e_wait_window '^Patchwell$')
    text=$(e2e_message_text "$win")
    [ "$text" = "$1" ] || e2e_fail "message was '$text', expected '$1'"
    e2e_press_return "$win"
    wait_for 10 e2e_box_gone "$win" || e2e_fail "message box stayed open"
}
e2e_box_gone() { ! e2e_windows '^Patchwell$' | grep -qx "$1"; }

e2e_patchwell_ended() {
    wait_for 20 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
}

# The check window (not a message box) is up: the check could not be carried
# out. Return closes it and ends patchwell.
e2e_check_window_then_ok() {
    local win
    win=$(e2e_wait_window '^Patchwell$')
    xprop -id "$win" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_DIALOG &&
        e2e_fail "a message box instead of the check window"
    e2e_has_window '^Downloading Update' && e2e_fail "download window opened"
    e2e_press_return "$win"
    e2e_patchwell_ended
}

# The served program runs at version $1.
e2e_served_runs() {
    [ -s "$APP/served.pid" ] && e2e_running "$(cat "$APP/served.pid")" &&
        grep -qx "version $1" "$APP/served.log"
}

# title_at_least WINDOW PERCENT: the download window's title shows at least PERCENT.
title_at_least() {
    local p
    p=$(e2e_title "$1" | sed -n 's/^Downloading Update - \(-\?[0-9]*\)% downloaded$/\1/p')
    [ -n "$p" ] && [ "$p" -ge "$2" ]
}

# The title stays the same for a second (a paused download).
e2e_title_stable() {
    local first
    first=$(e2e_title "$1")
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        sleep 0.1
        [ "$(e2e_title "$1")" = "$first" ] || return 1
    done
}
