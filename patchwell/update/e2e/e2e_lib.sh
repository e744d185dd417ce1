# Shared steps of the end-to-end tests: a private X display with a window
# manager, a private nginx, a temporary program folder with the built
# patchwell, and cleanup of every process started here, also on failure.
# Sourced by run_e2e.sh.

E2E_PIDS=()          # processes to end at exit (ours, by id)
E2E_PIDFILES=()      # files holding ids of processes started by others
E2E_NGINX_WORK=""

e2e_log() { echo "[e2e $(date +%T.%3N)] $*" >&2; }
e2e_fail() {
    e2e_log "FAIL: $*"
    exit 1
}

e2e_cleanup() {
    local status=$?
    set +e
    local f pid
    for f in "${E2E_PIDFILES[@]}"; do
        [ -s "$f" ] || continue
        pid=$(head -n 1 "$f")
        [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null
    done
    if [ -n "$E2E_NGINX_WORK" ]; then
        "$NGINX_LAUNCHER" stop "$E2E_NGINX_WORK"
    fi
    local i
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        kill -TERM "${E2E_PIDS[i]}" 2>/dev/null
    done
    for i in "${E2E_PIDS[@]}"; do
        for _ in $(seq 1 40); do
            kill -0 "$i" 2>/dev/null || break
            sleep 0.05
        done
        kill -KILL "$i" 2>/dev/null
    done
    e2e_kill_strays
    if [ "$status" -ne 0 ] && [ -n "${E2E_TMP:-}" ]; then
        e2e_log "kept for inspection: $E2E_TMP"
    elif [ -n "${E2E_TMP:-}" ]; then
        rm -rf "$E2E_TMP"
    fi
    exit "$status"
}

# Ends processes that run in our temporary folder (programs that patchwell
# started there, perhaps after the last pid file was read), each by its id.
e2e_kill_strays() {
    [ -n "${E2E_TMP:-}" ] || return 0
    local p cwd
    for p in /proc/[0-9]*; do
        cwd=$(readlink "$p/cwd" 2>/dev/null) || continue
        case "$cwd" in
            "$E2E_TMP"/*) kill -KILL "${p#/proc/}" 2>/dev/null ;;
        esac
    done
}

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds; false on time-out.
wait_for() {
    local seconds=$1
    shift
    local deadline=$(($(date +%s%N) + seconds * 1000000000))
    while ! "$@" >/dev/null 2>&1; do
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
    return 0
}

e2e_init() {
    E2E_TMP=$(mktemp -d /tmp/pw-e2e.XXXXXX)
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
}

# Starts Xvfb on a display of its own choosing and openbox on it. -noreset:
# without it the server resets when its last client (our readiness probe)
# disconnects, and a client that connects during the reset is turned away.
# Tests run
# side by side (and next to other suites), so a server that is not reachable
# at once is replaced by a new one on another display.
e2e_start_x() {
    local attempt fd_file xvfb_pid
    for attempt in 1 2 3 4; do
        fd_file="$E2E_TMP/display.$attempt"
        exec {dfd}>"$fd_file"
        Xvfb -displayfd "$dfd" -screen 0 1280x800x24 -nolisten tcp -noreset -ac \
            >"$E2E_TMP/xvfb.$attempt.log" 2>&1 &
        xvfb_pid=$!
        E2E_PIDS+=("$xvfb_pid")
        exec {dfd}>&-
        if wait_for 20 test -s "$fd_file"; then
            export DISPLAY=":$(head -n 1 "$fd_file" | tr -d '[:space:]')"
            if wait_for 5 e2e_display_answers && e2e_running "$xvfb_pid"; then
                break
            fi
        fi
        e2e_log "X server attempt $attempt on ${DISPLAY:-?} failed; trying another"
        kill -TERM "$xvfb_pid" 2>/dev/null
        unset DISPLAY
    done
    [ -n "${DISPLAY:-}" ] || e2e_fail "Xvfb did not start"
    unset WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb
    openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
    E2E_PIDS+=($!)
    wait_for 20 e2e_wm_running || e2e_fail "openbox did not start"
    e2e_log "display $DISPLAY ready"
}

e2e_display_answers() { xprop -root _NET_SUPPORTED >/dev/null 2>&1 || xdpyinfo >/dev/null 2>&1; }

e2e_wm_running() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# e2e_start_nginx ROOT [RATE]: sets E2E_PORT.
e2e_start_nginx() {
    E2E_NGINX_WORK="$E2E_TMP/nginx"
    E2E_PORT=$("$NGINX_LAUNCHER" start "$1" "$E2E_NGINX_WORK" "${2:-32k}") ||
        e2e_fail "nginx did not start"
    e2e_log "nginx on port $E2E_PORT"
}

# e2e_program_folder PATH: copies patchwell and the served program there.
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

# Starts patchwell in the program folder; sets E2E_PW_PID.
e2e_start_patchwell() {
    (cd "$APP" && exec ./patchwell) >>"$E2E_TMP/patchwell.log" 2>&1 &
    E2E_PW_PID=$!
    E2E_PIDS+=("$E2E_PW_PID")
}

e2e_running() { kill -0 "$1" 2>/dev/null; }
e2e_not_running() { ! kill -0 "$1" 2>/dev/null; }

# Visible windows whose title matches the regular expression.
e2e_windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null; }
e2e_has_window() { [ -n "$(e2e_windows "$1")" ]; }

# e2e_wait_window REGEX [SECONDS]: prints the id of the first match.
e2e_wait_window() {
    wait_for "${2:-20}" e2e_has_window "$1" || e2e_fail "no window titled /$1/"
    e2e_windows "$1" | head -n 1
}

e2e_activate() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
}

e2e_clipboard() { xclip -o -selection clipboard 2>/dev/null; }

# The text of the message box WINDOW, copied the way a user would (Ctrl+C).
e2e_message_text() {
    local win=$1
    printf '' | xclip -i -selection clipboard
    e2e_activate "$win"
    xdotool key --clearmodifiers ctrl+c
    wait_for 5 e2e_clipboard_has_text || e2e_fail "message box text not copied"
    e2e_clipboard
}
e2e_clipboard_has_text() { [ -n "$(e2e_clipboard)" ]; }

# Presses Return in WINDOW (the default button: OK).
e2e_press_return() {
    e2e_activate "$1"
    xdotool key --clearmodifiers Return
}

# e2e_click WINDOW X Y: clicks at client position X,Y given in pixels of a
# window laid out at 96 dots per inch, scaled to the window's real size.
e2e_click() {
    local win=$1 x=$2 y=$3 width base
    eval "$(xdotool getwindowgeometry --shell "$win")"
    width=$WIDTH
    base=$4
    x=$((x * width / base))
    y=$((y * width / base))
    e2e_activate "$win"
    xdotool mousemove --window "$win" "$x" "$y" click 1
}

e2e_title() { xdotool getwindowname "$1" 2>/dev/null; }

e2e_screenshot() {
    import -window root "$1" 2>/dev/null
}

e2e_window_mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }

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
