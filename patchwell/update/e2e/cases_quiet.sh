#!/usr/bin/env bash
# End-to-end cases of the quiet, scheduled check: quiet=1 and --quiet,
# checkhours, checkseconds, --check, the user's manifest cache with
# conditional requests, Retry-After. nginx's access log is the witness of
# what was requested.
#
#   pw-x-session --size 1280x800 -- \
#       bash cases_quiet.sh CASE PATCHWELL NGINX_LAUNCHER [PATCHWELL_PUBLISH]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e_lib.sh
source "$here/e2e_lib.sh"
e2e_args "$@"

# A server that asks to come back in an hour, and the bytes of every request.
export PW_NGINX_LOG_BYTES=1
export PW_NGINX_EXTRA='location /busy/ { add_header Retry-After 604800 always; return 503; }'

# requests PATTERN: how many requests of the access log match.
requests() { grep -c -- "$1" "$E2E_NGINX_WORK/access.log" || true; }

# quiet_folder NAME URL [KEY=VALUE ...]: a program folder at 1.0 checking URL.
quiet_folder() {
    e2e_program_folder "$E2E_TMP/programs/$1"
    e2e_local_manifest 1.0 "$2"
    shift 2
    local line
    for line in "$@"; do echo "$line" >>"$APP/update.ini"; done
}

# starts_quietly [OPTION ...]: patchwell ends by itself (no box or window
# waited for OK) and the served program 1.0 runs; it is stopped again.
starts_quietly() {
    e2e_start_patchwell "$@"
    wait_for 20 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell waited (a window is up?)"
    wait_for 10 e2e_served_runs 1.0 || e2e_fail "served program not running"
    stop_served
}
stop_served() { kill "$(cat "$APP/served.pid")" && rm -f "$APP/served.pid" "$APP/served.log"; }

# A free port that nobody listens on.
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

case_quiet() {
    e2e_serve
    printf '[Update]\ncurver=1.0\ncurverurl=%s\nsavefileas=s.sh\n' "$BASE/s.sh" >"$WWW/manifest.ini"

    e2e_log "quiet and up to date: no box, one request, the time kept"
    quiet_folder uptodate "$BASE/manifest.ini" quiet=1 checkhours=24
    starts_quietly
    [ "$(requests 'GET /manifest.ini')" = 1 ] || e2e_fail "manifest requests: $(requests 'GET /manifest.ini')"
    grep -Eq '^lastcheck=[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z$' "$APP/update.ini" || e2e_fail "no lastcheck"
    [ ! -e "$APP/iupdate.ini" ] || e2e_fail "iupdate.ini left behind"

    e2e_log "within checkhours: nothing requested"
    starts_quietly
    [ "$(requests 'GET /manifest.ini')" = 1 ] || e2e_fail "a request within checkhours"

    e2e_log "--check: the box, and a 304 from the cache"
    e2e_start_patchwell --check
    e2e_expect_message "You have the latest version of Sample Editor"
    e2e_patchwell_ended
    wait_for 10 e2e_served_runs 1.0 || e2e_fail "served program not running"
    stop_served
    [ "$(requests '"GET /manifest.ini HTTP/1.1" 304')" = 1 ] || e2e_fail "no conditional request"

    e2e_log "--quiet, the port refused"
    quiet_folder refused "http://127.0.0.1:$(free_port)/manifest.ini"
    starts_quietly --quiet
    [ ! -e "$APP/iupdate.ini" ] || e2e_fail "iupdate.ini left behind"

    e2e_log "a server that never answers, checkseconds=2"
    local silent
    silent=$(mktemp -u "$E2E_TMP/silent.XXXX")
    python3 -c 'import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(16)
open(sys.argv[1], "w").write(str(s.getsockname()[1]))
time.sleep(120)' "$silent" &
    E2E_PIDS+=("$!")
    wait_for 10 test -s "$silent" || e2e_fail "no listening socket"
    quiet_folder silent "http://127.0.0.1:$(cat "$silent")/manifest.ini" quiet=1 checkseconds=2
    local started ms
    started=$(date +%s%N)
    starts_quietly
    ms=$((($(date +%s%N) - started) / 1000000))
    e2e_log "the silent server held the start for $ms ms"
    [ "$ms" -lt 6000 ] || e2e_fail "the check was not cut off at checkseconds: $ms ms"
    grep -q '^lastcheck=' "$APP/update.ini" && e2e_fail "a failed check counted"
    true
}

# A signed update that stays pending (the user cancels it), checked again
# with the cache: a 304 offers it once more; a cache that fails the signature
# leads to one plain fetch; a server's Retry-After holds the next check back.
case_cache() {
    [ -x "$PUBLISH" ] || e2e_fail "no patchwell-publish given"
    e2e_serve
    KEYS="$E2E_TMP/keys"
    mkdir -p "$KEYS"
    minisign -G -W -f -p "$KEYS/ours.pub" -s "$KEYS/ours.key" >/dev/null || e2e_fail "minisign -G"
    printf '#!/bin/sh\necho installed >"$2/installed"\n' >"$E2E_TMP/setup.sh"
    "$PUBLISH" -o "$WWW/c" "$E2E_TMP/setup.sh" "$BASE/c/setup.sh" 2.0 "$KEYS/ours.key" >/dev/null ||
        e2e_fail "patchwell-publish failed"
    quiet_folder cached "$BASE/c/iupdate.ini" quiet=1 "publickey=$(tail -n 1 "$KEYS/ours.pub")"

    offered_then_cancel() {
        e2e_start_patchwell
        e2e_expect_message "An update has been found"
        local win
        win=$(e2e_wait_window '^Downloading Update$')
        e2e_click "$win" "$CANCEL_X" "$BUTTONS_Y" "$UPDL_WIDTH"
        e2e_patchwell_ended
        [ ! -e "$APP/installed" ] || e2e_fail "installed"
    }
    e2e_log "first check: manifest and signature fetched"
    offered_then_cancel
    [ "$(requests '"GET /c/iupdate.ini HTTP/1.1" 200')" = 1 ] || e2e_fail "no fetch"
    [ "$(requests 'GET /c/iupdate.ini.minisig')" = 1 ] || e2e_fail "no signature fetch"
    local cache
    cache=$(find "$E2E_TMP/cache/patchwell" -mindepth 1 -maxdepth 1 -type d)
    [ -s "$cache/manifest" ] && [ -s "$cache/signature" ] || e2e_fail "nothing cached"
    [ "$(stat -c %a "$E2E_TMP/cache/patchwell") $(stat -c %a "$cache")" = "700 700" ] ||
        e2e_fail "cache folders not private"

    e2e_log "unchanged: a 304, the cached copy verified, the update offered again"
    offered_then_cancel
    [ "$(requests '"GET /c/iupdate.ini HTTP/1.1" 304')" = 1 ] || e2e_fail "no 304"
    [ "$(requests 'GET /c/iupdate.ini.minisig')" = 1 ] || e2e_fail "the signature was fetched again"
    e2e_log "bytes on the wire: $(grep -o '"GET /c/iupdate.ini[^"]*" [0-9]* .*sent=[0-9]* received=[0-9]*' \
        "$E2E_NGINX_WORK/access.log" | sed 's/ [0-9]* "[^"]*" "[^"]*"//' | tr '\n' ';')"

    e2e_log "a tampered cache (its own digest matching): a 304, then one plain fetch"
    sed -i 's/^curver=2.0$/curver=2.1/' "$cache/manifest"
    sed -i "s/^manifestsha256=.*/manifestsha256=$(sha256sum "$cache/manifest" | cut -d' ' -f1)/" \
        "$cache/meta"
    offered_then_cancel
    [ "$(requests '"GET /c/iupdate.ini HTTP/1.1" 304')" = 2 ] || e2e_fail "no conditional request"
    [ "$(requests '"GET /c/iupdate.ini HTTP/1.1" 200')" = 2 ] || e2e_fail "no plain fetch"
    [ "$(requests 'GET /c/iupdate.ini.minisig')" = 2 ] || e2e_fail "signature not fetched anew"
    grep -qx 'curver=2.0' "$cache/manifest" || e2e_fail "the cache was not replaced"

    e2e_log "Retry-After of a week: notbefore a day ahead, no automatic request before it"
    quiet_folder busy "$BASE/busy/iupdate.ini" quiet=1
    starts_quietly
    [ "$(requests 'GET /busy/')" = 1 ] || e2e_fail "busy requests: $(requests 'GET /busy/')"
    local notbefore
    notbefore=$(sed -n 's/^notbefore=//p' "$APP/update.ini")
    [ -n "$notbefore" ] || e2e_fail "no notbefore"
    local ahead=$(($(date -u -d "$notbefore" +%s) - $(date -u +%s)))
    [ "$ahead" -gt 86300 ] && [ "$ahead" -le 86400 ] || e2e_fail "notbefore $notbefore"
    starts_quietly --quiet
    [ "$(requests 'GET /busy/')" = 1 ] || e2e_fail "a request before notbefore"
    # Asked to check now, patchwell asks; the user hears that it could not be done.
    e2e_start_patchwell --check
    e2e_check_window_then_ok
    [ "$(requests 'GET /busy/')" = 2 ] || e2e_fail "--check did not ask"
}

# One signed manifest with the main line at 1.0 and the channel beta at 2.0:
# an installation on beta is offered 2.0, one without a channel is up to
# date, and --channel beta switches it.
case_channel() {
    [ -x "$PUBLISH" ] || e2e_fail "no patchwell-publish given"
    e2e_serve
    KEYS="$E2E_TMP/keys"
    mkdir -p "$KEYS"
    minisign -G -W -f -p "$KEYS/ours.pub" -s "$KEYS/ours.key" >/dev/null || e2e_fail "minisign -G"
    printf '#!/bin/sh\necho installed >"$2/installed"\n' >"$E2E_TMP/setup.sh"
    "$PUBLISH" -o "$WWW/ch" "$E2E_TMP/setup.sh" "$BASE/ch/setup.sh" 1.0 "$KEYS/ours.key" >/dev/null &&
        "$PUBLISH" -o "$WWW/ch" --channel beta "$E2E_TMP/setup.sh" "$BASE/ch/beta-setup.sh" 2.0 \
            "$KEYS/ours.key" >/dev/null || e2e_fail "patchwell-publish failed"
    grep -qx '\[Update.beta\]' "$WWW/ch/iupdate.ini" || e2e_fail "no channel section"
    "$PUBLISH" -o "$WWW/ch" "$E2E_TMP/setup.sh" "$BASE/ch/setup.sh" 1.0 "$KEYS/ours.key" >/dev/null ||
        e2e_fail "patchwell-publish failed"
    grep -qx '\[Update.beta\]' "$WWW/ch/iupdate.ini" || e2e_fail "the main line dropped the channel"
    local key
    key="publickey=$(tail -n 1 "$KEYS/ours.pub")"

    # The beta installer is offered, fetched and run.
    beta_installed() {
        e2e_expect_message "An update has been found"
        e2e_click "$(e2e_wait_window '^Downloading Update$')" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
        wait_for 20 test -e "$APP/installed" || e2e_fail "the installer did not run"
        e2e_patchwell_ended
        wait_for 10 e2e_served_runs 1.0 || e2e_fail "served program not running"
        stop_served
        [ "$(requests 'GET /ch/beta-setup.sh')" = "$1" ] || e2e_fail "the beta installer was not fetched"
    }

    e2e_log "on the beta channel: 2.0 from [Update.beta]"
    quiet_folder beta "$BASE/ch/iupdate.ini" quiet=1 channel=beta "$key"
    e2e_start_patchwell
    beta_installed 1

    e2e_log "no channel: [Update], up to date"
    quiet_folder main "$BASE/ch/iupdate.ini" quiet=1 "$key"
    starts_quietly
    e2e_log "--channel beta: written, then checked"
    e2e_start_patchwell --channel beta
    beta_installed 2
    grep -qx 'channel=beta' "$APP/update.ini" || e2e_fail "channel not written"
}

# A metered connection, as a stand-in NetworkManager on a private bus tells
# it: the offer says so, with the installer's size. The private bus goes to
# patchwell alone, never the machine's own.
case_metered() {
    e2e_serve
    head -c 1234567 /dev/zero >"$WWW/setup.sh"
    printf '[Update]\ncurver=2.0\ncurverurl=%s\nsavefileas=setup.sh\ncurversize=1234567\ncurversha256=%s\n' \
        "$BASE/setup.sh" "$(sha256sum <"$WWW/setup.sh" | cut -d' ' -f1)" >"$WWW/manifest.ini"
    quiet_folder metered "$BASE/manifest.ini" quiet=1
    e2e_metered_bus

    DBUS_SYSTEM_BUS_ADDRESS=$E2E_METERED_BUS e2e_start_patchwell
    e2e_expect_message "An update has been found

Your connection is metered: the update is 1.2 MB."
    e2e_click "$(e2e_wait_window '^Downloading Update$')" "$CANCEL_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    e2e_patchwell_ended

    e2e_log "the same without the stand-in: no note"
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    e2e_click "$(e2e_wait_window '^Downloading Update$')" "$CANCEL_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    e2e_patchwell_ended
}

e2e_run_case
