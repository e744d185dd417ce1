#!/usr/bin/env bash
# End-to-end cases of the user's own say over versions: "Skip This Version"
# in the offer, patchwell --rollback to the version installed before, and
# patchwell --status. nginx's access log is the witness of what was asked.
#
#   pw-x-session --size 1280x800 -- \
#       bash cases_versions.sh CASE PATCHWELL NGINX_LAUNCHER PATCHWELL_PUBLISH
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e_lib.sh
source "$here/e2e_lib.sh"
e2e_args "$@"

requests() { grep -c -- "$1" "$E2E_NGINX_WORK/access.log" || true; }
stop_served() { kill "$(cat "$APP/served.pid")" && rm -f "$APP/served.pid" "$APP/served.log"; }

# installer VERSION: an installer of VERSION that notes each run in
# installs.log; it waits for the file "release" when HOLD is set.
installer() {
    local file="$E2E_TMP/setup-$1.sh"
    cat >"$file" <<SH
#!/bin/sh
folder=\$2
[ -z "${HOLD:-}" ] || { n=0; while [ ! -e "\$folder/release" ] && [ \$n -lt 400 ]; do sleep 0.05; n=\$((n+1)); done; }
echo "installed $1" >>"\$folder/installs.log"
echo "$1" >"\$folder/version.txt"
sed -i 's/^prgver=.*/prgver=$1/' "\$folder/update.ini"
SH
    chmod +x "$file"
    echo "$file"
}

# publish VERSION: a signed manifest of VERSION in $WWW/v. nginx's ETag is
# the file's time and size: each manifest gets a time of its own, so that one
# published within the same second is not answered 304.
STAMP=0
publish() {
    "$PUBLISH" -o "$WWW/v" "$(installer "$1")" "$BASE/v/setup.sh" "$1" "$KEYS/ours.key" \
        >/dev/null || e2e_fail "patchwell-publish $1 failed"
    STAMP=$((STAMP + 10))
    touch -d "@$(($(date +%s) + STAMP))" "$WWW/v/iupdate.ini"
}

# install_offered VERSION: a start offers the update, which is installed
# through the download window; the served program then runs at VERSION.
install_offered() {
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    e2e_click "$(e2e_wait_window '^Downloading Update$')" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    e2e_patchwell_ended
    wait_for 10 e2e_served_runs "$1" || e2e_fail "served program $1 not running"
    stop_served
}

case_skip_rollback() {
    [ -x "$PUBLISH" ] || e2e_fail "no patchwell-publish given"
    e2e_serve
    KEYS="$E2E_TMP/keys"
    mkdir -p "$KEYS"
    minisign -G -W -f -p "$KEYS/ours.pub" -s "$KEYS/ours.key" >/dev/null || e2e_fail "minisign -G"
    e2e_program_folder "$E2E_TMP/programs/editor"
    e2e_local_manifest 0.9 "$BASE/v/iupdate.ini"
    echo "publickey=$(tail -n 1 "$KEYS/ours.pub")" >>"$APP/update.ini"
    # The installer of 1.0 waits for this file once it goes.
    touch "$APP/release"
    HOLD=1 publish 1.0
    install_offered 1.0
    publish 2.0

    e2e_log "the offer of 2.0: Skip This Version"
    e2e_start_patchwell
    local box
    box=$(e2e_wait_window '^Patchwell$')
    [ "$(e2e_message_text "$box")" = "An update has been found" ] || e2e_fail "no offer"
    # From OK, the default, to the other button, and press it.
    e2e_activate "$box"
    xdotool key --clearmodifiers Tab space
    e2e_patchwell_ended
    wait_for 10 e2e_served_runs 1.0 || e2e_fail "served program 1.0 not running"
    stop_served
    grep -qx 'skipversion=2.0' "$APP/update.ini" || e2e_fail "skipversion not written"
    [ "$(cat "$APP/installs.log")" = "installed 1.0" ] || e2e_fail "installs: $(cat "$APP/installs.log")"

    e2e_log "the next start checks and does not offer 2.0"
    e2e_start_patchwell
    wait_for 20 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell waited (a box is up?)"
    wait_for 10 e2e_served_runs 1.0 || e2e_fail "served program 1.0 not running"
    stop_served
    [ "$(requests '"GET /v/iupdate.ini ')" = 3 ] || e2e_fail "that start made no check"

    e2e_log "2.1 is published: offered and installed"
    publish 2.1
    install_offered 2.1

    e2e_log "--rollback, confirmed with Return: the installer of 1.0 kept when it ran runs again"
    local asked
    asked=$(requests 'GET ')
    rm "$APP/release"
    e2e_start_patchwell --rollback
    e2e_expect_message "Go back from version 2.1 of Sample Editor to version 1.0, which was installed before?
Version 2.1 will then not be offered again."
    e2e_wait_window '^Installing Latest version$' >/dev/null
    touch "$APP/release"
    e2e_patchwell_ended
    wait_for 10 e2e_served_runs 1.0 || e2e_fail "served program 1.0 not running"
    stop_served
    [ "$(tr '\n' ' ' <"$APP/installs.log")" = "installed 1.0 installed 2.1 installed 1.0 " ] ||
        e2e_fail "installs: $(cat "$APP/installs.log")"
    grep -qx 'skipversion=2.1' "$APP/update.ini" || e2e_fail "the version left is not skipped"
    grep -q '^publickey=' "$APP/update.ini" || e2e_fail "the key went"
    [ "$(requests 'GET ')" = "$asked" ] || e2e_fail "the rollback asked the server"

    e2e_log "--status: the key as minisign names it, nothing further back"
    (cd "$APP" && ./patchwell --status) >"$E2E_TMP/status" || e2e_fail "--status failed"
    printf 'version: 1.0\nkey: %s\nlastcheck: none\nskipversion: 2.1\ninstaller: 1.0\nprevious: none\nstaged: none\n' \
        "$(head -n 1 "$KEYS/ours.pub" | sed 's/.* //')" | diff - "$E2E_TMP/status" >&2 ||
        e2e_fail "--status as above"
}

e2e_run_case
