#!/usr/bin/env bash
# End-to-end cases of autoupdate=1: the update found is downloaded in the
# background while the served program runs, and installed at the next start
# without a request. nginx's access log is the witness of what moved.
#
#   pw-x-session --size 1280x800 -- \
#       bash cases_staged.sh CASE PATCHWELL NGINX_LAUNCHER PATCHWELL_PUBLISH
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e_lib.sh
source "$here/e2e_lib.sh"
e2e_args "$@"

requests() { grep -c -- "$1" "$E2E_NGINX_WORK/access.log" || true; }
log_lines() { wc -l <"$E2E_NGINX_WORK/access.log"; }

# staged_setup [RATE]: nginx, a key, and a program folder at 1.0 with
# autoupdate=1 checking $BASE/s/iupdate.ini.
staged_setup() {
    [ -x "$PUBLISH" ] || e2e_fail "no patchwell-publish given"
    e2e_serve "${1:-32k}"
    KEYS="$E2E_TMP/keys"
    mkdir -p "$KEYS"
    minisign -G -W -f -p "$KEYS/ours.pub" -s "$KEYS/ours.key" >/dev/null || e2e_fail "minisign -G"
    e2e_program_folder "$E2E_TMP/programs/my app"
    e2e_local_manifest 1.0 "$BASE/s/iupdate.ini"
    printf 'autoupdate=1\npublickey=%s\n' "$(tail -n 1 "$KEYS/ours.pub")" >>"$APP/update.ini"
    STAGED_ROOT="$XDG_STATE_HOME/patchwell"
}

# publish VERSION URL_PATH [PADDING_BYTES [PUBLISH_OPTION ...]]: an installer
# of VERSION that records its arguments and moves update.ini and version.txt
# to VERSION; it first runs the lines in $installer_first, if any.
installer_first=""
publish() {
    local setup="$E2E_TMP/setup-$1.sh"
    cat >"$setup" <<SH
#!/bin/sh
folder=\$2
$installer_first
printf '%s\n' "\$@" >"\$folder/installer-$1.txt"
echo "$1" >"\$folder/version.txt"
sed -i 's/^prgver=.*/prgver=$1/' "\$folder/update.ini"
# Runs until the test has seen the installation window.
n=0; while [ ! -e "\$folder/release" ] && [ \$n -lt 400 ]; do sleep 0.05; n=\$((n+1)); done
exit 0
SH
    [ -z "${3:-}" ] || head -c "$3" /dev/urandom | base64 >>"$setup"
    "$PUBLISH" -o "$WWW/s" -m "$BASE/s/iupdate.ini" "${@:4}" "$setup" "$BASE/$2" "$1" \
        "$KEYS/ours.key" >/dev/null || e2e_fail "patchwell-publish failed"
    # nginx's ETag is the file's time and size: two releases published within
    # one second must not look the same to a conditional request.
    touch -d "2030-01-01 00:00:0${1%%.*}" "$WWW/s/iupdate.ini"
    [ "$2" = "s/setup.sh" ] || cp "$WWW/s/setup.sh" "$WWW/$(basename "$2")"
}

staged_installer() { find "$STAGED_ROOT" -path '*/staged-*/installer' -type f 2>/dev/null | head -n 1; }
has_staged_installer() { [ -n "$(staged_installer)" ]; }
staged_download() { find "$STAGED_ROOT" -path '*/staged-*/download-*' -type f 2>/dev/null | head -n 1; }
download_over() { local f; f=$(staged_download); [ -n "$f" ] && [ "$(stat -c %s "$f")" -ge "$1" ]; }

# The background download's process: patchwell --stage of this folder.
stage_pid() {
    local p
    for p in /proc/[0-9]*; do
        if [ "$(tr '\0' ' ' 2>/dev/null <"$p/cmdline")" = "$APP/patchwell --stage " ]; then
            basename "$p"
            return 0
        fi
    done
}
stage_running() { [ -n "$(stage_pid)" ]; }

no_patchwell_window() { e2e_no_window '^Patchwell$|^Downloading Update|^Installing Latest'; }

# The served program started at once, patchwell ended without a window.
starts_at_once() {
    e2e_start_patchwell
    wait_for 20 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell waited (a window is up?)"
    wait_for 10 e2e_served_runs "$1" || e2e_fail "served program $1 not running"
}
stop_served() { kill "$(cat "$APP/served.pid")" && rm -f "$APP/served.pid" "$APP/served.log"; }

# folder_listing: what the program folder holds, but what the served program
# writes itself.
folder_listing() {
    local f
    for f in "$APP"/* "$APP"/.[!.]*; do
        [ -e "$f" ] || continue
        case ${f##*/} in served.pid | served.log) ;; *) echo "${f##*/}" ;; esac
    done
}

# The next start installs what was staged: the installation window, the
# installer with /auto and the folder, then the served program at VERSION;
# not one request.
installs_staged() {
    local before
    before=$(log_lines)
    e2e_start_patchwell
    wait_for 20 test -s "$APP/installer-$1.txt" || e2e_fail "the staged installer did not run"
    e2e_wait_window '^Installing Latest version$' >/dev/null
    e2e_has_window '^Downloading Update|^Patchwell$' && e2e_fail "another window than the installation's"
    touch "$APP/release"
    printf '/auto\n%s\n' "$APP" | cmp -s - "$APP/installer-$1.txt" ||
        e2e_fail "installer arguments: $(cat "$APP/installer-$1.txt")"
    e2e_patchwell_ended
    wait_for 10 e2e_served_runs "$1" || e2e_fail "served program $1 not running"
    [ "$(log_lines)" = "$before" ] || e2e_fail "the installing start made a request"
    has_staged_installer && e2e_fail "the staged installer stayed"
    rm "$APP/release"
    stop_served
}

case_found() {
    staged_setup
    publish 2.0 s/setup.sh
    local listing
    listing=$(folder_listing)

    e2e_log "the start that finds 2.0: the program at once, the download in the background"
    starts_at_once 1.0
    # Looked at until the download is over: nothing of patchwell is visible.
    local n=0
    while ! has_staged_installer && [ $n -lt 200 ]; do
        no_patchwell_window || e2e_fail "a window showed during the background download"
        sleep 0.1
        n=$((n + 1))
    done
    has_staged_installer || e2e_fail "nothing was staged"
    wait_for 10 test "$(requests '"GET /s/setup.sh HTTP/1.1" 200')" = 1 ||
        e2e_fail "installer requests: $(requests 'GET /s/setup.sh')"
    wait_for 10 e2e_not_running_stage || e2e_fail "the background download did not end"
    [ "$(stat -c %a "$(dirname "$(staged_installer)")")" = 700 ] || e2e_fail "staged folder mode"
    [ "$(stat -c %a "$(staged_installer)")" = 600 ] || e2e_fail "staged installer mode"
    cmp -s "$(staged_installer)" "$WWW/s/setup.sh" || e2e_fail "staged another installer"
    [ "$(folder_listing)" = "$listing" ] || e2e_fail "the program folder changed: $(folder_listing)"
    "$APP/patchwell" --status | grep -qx 'staged: 2.0' || e2e_fail "--status: $("$APP/patchwell" --status)"
    stop_served

    e2e_log "the next start installs 2.0 without a request"
    installs_staged 2.0

    "$APP/patchwell" --status | grep -qx 'staged: none' || e2e_fail "--status: $("$APP/patchwell" --status)"

    e2e_log "3.0 staged from a patch, then changed by someone: not run, the start checks again"
    publish 3.0 s/setup.sh "" --delta-from "$E2E_TMP/setup-2.0.sh"
    local whole
    whole=$(requests '"GET /s/setup.sh HTTP/1.1"')
    starts_at_once 2.0
    wait_for 20 has_staged_installer || e2e_fail "3.0 was not staged"
    wait_for 10 e2e_not_running_stage || e2e_fail "the background download did not end"
    [ "$(requests 'GET /s/setup.sh.from-[0-9a-f]*.zstpatch HTTP/1.1" 200')" = 1 ] &&
        [ "$(requests '"GET /s/setup.sh HTTP/1.1"')" = "$whole" ] ||
        e2e_fail "3.0 did not come as a patch: $(grep 'GET /s/setup' "$E2E_NGINX_WORK/access.log")"
    cmp -s "$(staged_installer)" "$WWW/s/setup.sh" || e2e_fail "staged another installer"
    stop_served
    echo 'touch "$2/tampered"' >>"$(staged_installer)" # the installer's own $2
    local checks
    checks=$(requests 'GET /s/iupdate.ini ')
    starts_at_once 2.0
    if [ -e "$APP/tampered" ] || [ -e "$APP/installer-3.0.txt" ]; then
        e2e_fail "the changed file ran"
    fi
    [ "$(requests 'GET /s/iupdate.ini ')" -gt "$checks" ] || e2e_fail "no check after the refusal"
    # The check found 3.0 again and staged it anew, as it came from the server.
    wait_for 20 has_staged_installer || e2e_fail "3.0 was not staged again"
    wait_for 10 e2e_not_running_stage || e2e_fail "the background download did not end"
    cmp -s "$(staged_installer)" "$WWW/s/setup.sh" || e2e_fail "staged another installer"
    stop_served
    installs_staged 3.0
}
e2e_not_running_stage() { ! stage_running; }

# The background download killed halfway: the next start continues it with
# a range request, at low priority.
case_resume() {
    staged_setup 512k
    publish 2.0 slow/setup.sh 3000000
    local size
    size=$(stat -c %s "$WWW/setup.sh")
    starts_at_once 1.0
    wait_for 20 stage_running || e2e_fail "no background download"
    local pid
    pid=$(stage_pid)
    [ "$(awk '{print $19}' "/proc/$pid/stat")" = 19 ] || e2e_fail "not at nice 19"
    ionice -p "$pid" | grep -q '^idle' || e2e_fail "not in the idle I/O class: $(ionice -p "$pid")"
    # Where the scheduler groups by session, the download's group yields too.
    if [ -e "/proc/$pid/autogroup" ]; then
        grep -q ' nice 19$' "/proc/$pid/autogroup" || e2e_fail "autogroup: $(cat "/proc/$pid/autogroup")"
    fi
    wait_for 30 download_over 1000000 || e2e_fail "the download did not get going"
    kill -9 "$pid"
    wait_for 5 e2e_not_running "$pid" || e2e_fail "the download did not end"
    local had
    had=$(stat -c %s "$(staged_download)")
    [ "$had" -lt "$size" ] || e2e_fail "the download was over before the kill"
    stop_served

    e2e_log "the next start carries on from byte $had of $size"
    starts_at_once 1.0
    wait_for 60 has_staged_installer || e2e_fail "nothing was staged"
    [ "$(requests '"GET /slow/setup.sh HTTP/1.1" 206')" = 1 ] ||
        e2e_fail "no range request: $(grep 'slow/setup.sh' "$E2E_NGINX_WORK/access.log")"
    cmp -s "$(staged_installer)" "$WWW/setup.sh" || e2e_fail "staged another installer"
    wait_for 10 e2e_not_running_stage || e2e_fail "the background download did not end"
    stop_served
    installs_staged 2.0
}

# The served program started twice at once: both starts run it, one
# download runs in the background, the next start installs it once.
case_twice() {
    staged_setup 512k
    publish 2.0 slow/setup.sh 3000000 # staged after both starts have ended
    local listing
    listing=$(folder_listing)
    e2e_start_patchwell
    local first=$E2E_PW_PID
    e2e_start_patchwell
    local second=$E2E_PW_PID
    wait_for 20 e2e_not_running "$first" || e2e_fail "the first start waited (a window is up?)"
    wait_for 20 e2e_not_running "$second" || e2e_fail "the second start waited (a window is up?)"
    no_patchwell_window || e2e_fail "a window showed: $(e2e_windows '.')"
    wait_for 10 served_count_at_least 2 || e2e_fail "served runs: $(cat "$APP/served.log")"
    has_staged_installer && e2e_fail "staged before both starts ended (the download must outlast them)"
    wait_for 60 has_staged_installer || e2e_fail "nothing was staged"
    wait_for 10 e2e_not_running_stage || e2e_fail "the background download did not end"
    [ "$(requests 'GET /slow/setup.sh ')" = 1 ] ||
        e2e_fail "installer requests: $(grep 'setup.sh' "$E2E_NGINX_WORK/access.log")"
    [ "$(folder_listing)" = "$listing" ] || e2e_fail "the program folder changed: $(folder_listing)"
    stop_all_served
    installs_staged 2.0
    rm "$APP/installer-2.0.txt"
    starts_at_once 2.0
    [ -e "$APP/installer-2.0.txt" ] && e2e_fail "installed a second time"
    stop_served
}
served_count_at_least() { [ "$(grep -c 'version 1.0' "$APP/served.log" 2>/dev/null)" -ge "$1" ]; }
# Every served program running in the folder (the pid file names the last).
stop_all_served() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/cwd" 2>/dev/null)" = "$APP" ] &&
            [ "$(tr '\0' ' ' 2>/dev/null <"$p/cmdline")" = "sleep 600 " ] && kill "${p#/proc/}"
    done
    rm -f "$APP/served.pid" "$APP/served.log"
}

# A logout while the staged installer runs: patchwell and the installer get
# the session's signals. The next start runs nothing again, and a later
# update is staged and installed as usual.
case_logout() {
    staged_setup
    # Killed before it has written anything but its mark.
    installer_first='echo $$ >"$folder/installing"; while :; do sleep 0.05; done'
    publish 2.0 s/setup.sh
    installer_first=""
    starts_at_once 1.0
    wait_for 20 has_staged_installer || e2e_fail "nothing was staged"
    wait_for 10 e2e_not_running_stage || e2e_fail "the background download did not end"
    stop_served

    e2e_log "the next start installs 2.0; the session ends meanwhile"
    e2e_start_patchwell
    wait_for 20 test -s "$APP/installing" || e2e_fail "the staged installer did not run"
    e2e_wait_window '^Installing Latest version$' >/dev/null
    local installer
    installer=$(cat "$APP/installing")
    kill -HUP "$E2E_PW_PID"
    kill -TERM "$installer" "$E2E_PW_PID"
    e2e_patchwell_ended
    wait_for 5 e2e_not_running "$installer" || e2e_fail "the installer did not end"
    rm "$APP/installing"
    [ -z "$(find "$STAGED_ROOT" -path '*/staged-*' -type f)" ] ||
        e2e_fail "left staged: $(find "$STAGED_ROOT" -path '*/staged-*' -type f)"

    e2e_log "3.0 published: the next start runs the program at once and stages 3.0"
    publish 3.0 s/setup.sh
    starts_at_once 1.0
    [ -e "$APP/installing" ] && e2e_fail "the 2.0 installer ran again"
    wait_for 20 has_staged_installer || e2e_fail "3.0 was not staged"
    wait_for 10 e2e_not_running_stage || e2e_fail "the background download did not end"
    "$APP/patchwell" --status | grep -qx 'staged: 3.0' || e2e_fail "--status: $("$APP/patchwell" --status)"
    stop_served
    installs_staged 3.0
}

# A metered connection at the start that finds an update: offered in its box
# with the metered note as without autoupdate, nothing fetched behind the
# user's back; the next start on a free connection stages it.
case_metered() {
    staged_setup
    publish 2.0 s/setup.sh
    e2e_metered_bus
    DBUS_SYSTEM_BUS_ADDRESS=$E2E_METERED_BUS e2e_start_patchwell
    local win text
    win=$(e2e_wait_window '^Patchwell$')
    text=$(e2e_message_text "$win")
    case $text in
        "An update has been found"$'\n\n'"Your connection is metered: the update is "*) ;;
        *) e2e_fail "message was '$text'" ;;
    esac
    e2e_press_return "$win"
    e2e_click "$(e2e_wait_window '^Downloading Update$')" "$CANCEL_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    e2e_patchwell_ended
    sleep 1 # a background download would have asked by now
    [ "$(requests 'GET /s/setup.sh ')" = 0 ] || e2e_fail "the installer was fetched on a metered connection"
    stage_running && e2e_fail "a background download runs"
    if [ -n "$(staged_download)" ] || has_staged_installer; then e2e_fail "something was staged"; fi

    e2e_log "the next start, not metered: the program at once, 2.0 staged"
    starts_at_once 1.0
    wait_for 20 has_staged_installer || e2e_fail "nothing was staged"
    wait_for 10 e2e_not_running_stage || e2e_fail "the background download did not end"
    stop_served
    installs_staged 2.0
}

e2e_run_case
