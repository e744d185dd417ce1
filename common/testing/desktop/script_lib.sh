# shellcheck shell=bash
# Shell helpers of the scripts that drive programs on an X display (the
# end-to-end tests, the demos): a temporary folder, cleanup of every process
# started here on any exit, polling instead of fixed waits, windows found by
# title and driven with xdotool, screenshots. The display itself comes from
# pw-x-session (the private session) or from the user.
#
#   source common/testing/desktop/script_lib.sh
#   e2e_init                 # E2E_TMP, the exit trap
#   e2e_require_session      # fails unless run under pw-x-session

E2E_PIDS=()          # processes to end at exit (ours, by id)
E2E_PIDFILES=()      # files holding ids of processes started by others
E2E_NGINX_WORK=""    # the folder of a private nginx (common/testing/nginx)

e2e_log() { echo "[e2e $(date +%T.%3N)] $*" >&2; }
e2e_fail() {
    e2e_log "FAIL: $*"
    exit 1
}

e2e_init() {
    E2E_TMP=$(mktemp -d /tmp/pw-e2e.XXXXXX)
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
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
        wait_for 2 e2e_not_running "$i"
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

# Ends processes that run in our temporary folder (programs that the program
# under test started there, perhaps after the last pid file was read), each
# by its id.
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

# The private session of pw-x-session (Xvfb, openbox, ...) is there.
e2e_require_session() {
    [ -n "${PW_X_SESSION:-}" ] || e2e_fail "no private X session: run this under pw-x-session"
    e2e_log "display $DISPLAY ready"
}

# A display that answers, the user's or the private one.
e2e_display_answers() { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }

# e2e_start_nginx ROOT [RATE]: a private nginx serving ROOT; sets E2E_PORT.
e2e_start_nginx() {
    E2E_NGINX_WORK="$E2E_TMP/nginx"
    E2E_PORT=$("$NGINX_LAUNCHER" start "$1" "$E2E_NGINX_WORK" "${2:-32k}") ||
        e2e_fail "nginx did not start"
    e2e_log "nginx on port $E2E_PORT"
}

e2e_running() { kill -0 "$1" 2>/dev/null; }
e2e_not_running() { ! kill -0 "$1" 2>/dev/null; }

# Visible windows whose title matches the regular expression.
e2e_windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null; }
e2e_has_window() { [ -n "$(e2e_windows "$1")" ]; }
e2e_no_window() { ! e2e_has_window "$1"; }

# e2e_wait_window REGEX [SECONDS]: prints the id of the first match.
e2e_wait_window() {
    wait_for "${2:-20}" e2e_has_window "$1" || e2e_fail "no window titled /$1/"
    e2e_windows "$1" | head -n 1
}

e2e_activate() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"
}

e2e_clipboard() { xclip -o -selection clipboard 2>/dev/null; }
e2e_clipboard_has_text() { [ -n "$(e2e_clipboard)" ]; }

# Ctrl+C in WINDOW, then whether the clipboard holds text: a key sent before
# the window has the focus is lost, so each try activates it again.
e2e_copied_from() {
    e2e_activate "$1"
    xdotool key --clearmodifiers ctrl+c
    e2e_clipboard_has_text
}

# The text of the message box WINDOW, copied the way a user would (Ctrl+C).
e2e_message_text() {
    local win=$1
    # xclip stays behind to hold the selection: with the caller's output it
    # would keep a $(...) around this waiting for ever.
    printf '' | xclip -i -selection clipboard >/dev/null 2>&1
    wait_for 5 e2e_copied_from "$win" || e2e_fail "message box text not copied"
    e2e_clipboard
}

# Presses Return in WINDOW (the default button: OK).
e2e_press_return() {
    e2e_activate "$1"
    xdotool key --clearmodifiers Return
}

# e2e_click WINDOW X Y BASE: clicks at client position X,Y given in pixels of
# a window BASE pixels wide at 96 dots per inch, scaled to the window's real
# size. A Y of "bottom-N" counts N such pixels up from the window's bottom.
e2e_click() {
    local win=$1 x=$2 y=$3 base=$4 WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$win")"
    x=$((x * WIDTH / base))
    if [[ $y == bottom-* ]]; then
        y=$((HEIGHT - ${y#bottom-} * WIDTH / base))
    else
        y=$((y * WIDTH / base))
    fi
    e2e_activate "$win"
    xdotool mousemove --window "$win" "$x" "$y" click 1
}

e2e_title() { xdotool getwindowname "$1" 2>/dev/null; }
e2e_title_changed() { [ "$(e2e_title "$1")" != "$2" ]; }

e2e_screenshot() {
    import -window root "$1" 2>/dev/null
}

e2e_window_mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
