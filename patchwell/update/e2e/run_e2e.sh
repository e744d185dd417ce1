#!/usr/bin/env bash
# End-to-end tests of patchwell with real parts: a private X session (run
# under pw-x-session), a private nginx on loopback, the built program in a
# temporary program folder, driven with xdotool like a user would.
#
#   pw-x-session --size 1280x800 -- \
#       bash run_e2e.sh CASE PATCHWELL NGINX_LAUNCHER [PATCHWELL_PUBLISH]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e_lib.sh
source "$here/e2e_lib.sh"
e2e_args "$@"

# The demo installer of the tests: records its arguments, installs version
# 2.0 of the served program and its manifest entry.
write_installer() {
    cat >"$1" <<'SH'
#!/bin/sh
folder=$2
printf '%s\n' "$@" >"$folder/installer-args.tmp" && mv "$folder/installer-args.tmp" "$folder/installer-args.txt"
echo "2.0" >"$folder/version.txt"
sed -i 's/^prgver=.*/prgver=2.0/' "$folder/update.ini"
SH
}

# The remote manifest: curver, installer URL, save name.
write_remote_manifest() {
    printf '[Update]\ncurver=%s\ncurverurl=%s\nsavefileas=%s\n[updateprg]\ncurver=1.0\ncurverurl=http://127.0.0.1/unused\n' \
        "$2" "$3" "$4" >"$1"
}

setup() {
    e2e_serve "${1:-32k}"
    PARENT="$E2E_TMP/programs/folder with blanks"
    e2e_program_folder "$PARENT/my app"
}


case_uptodate() {
    setup
    write_remote_manifest "$WWW/manifest.ini" 1.0 "$BASE/setup.sh" setup.sh
    e2e_local_manifest 1.0 "$BASE/manifest.ini"
    e2e_start_patchwell
    e2e_expect_message "You have the latest version of Sample Editor"
    wait_for 10 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
    [ ! -e "$APP/iupdate.ini" ] || e2e_fail "iupdate.ini left behind"
    wait_for 10 e2e_served_runs 1.0 || e2e_fail "served program not running"
}

case_update() {
    setup
    write_installer "$WWW/setup.sh"
    # The installation window is up while the installer runs; this one runs
    # until the test has looked at the window.
    echo 'n=0; while [ ! -e "$folder/release" ] && [ $n -lt 1200 ]; do sleep 0.05; n=$((n+1)); done' \
        >>"$WWW/setup.sh"
    write_remote_manifest "$WWW/manifest.ini" 2.0 "$BASE/setup.sh" setup.sh
    e2e_local_manifest 1.0 "$BASE/manifest.ini"
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    local win
    win=$(e2e_wait_window '^Downloading Update$')
    xprop -id "$win" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE && e2e_fail "download window is topmost"
    e2e_has_window '^Patchwell$' && e2e_fail "check window is visible"
    # The keyboard close does nothing to the download window.
    e2e_activate "$win"
    xdotool key --clearmodifiers alt+F4
    wait_for 2 e2e_no_window '^Downloading Update$' && e2e_fail "the window closed"
    e2e_running "$E2E_PW_PID" || e2e_fail "patchwell ended on close"
    e2e_click "$win" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    local extract
    extract=$(e2e_wait_window '^Installing Latest version$')
    xprop -id "$extract" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE ||
        e2e_fail "installation window is not topmost"
    wait_for 10 test -s "$APP/installer-args.txt" || e2e_fail "installer did not run"
    printf '/auto\n%s\n' "$APP" | cmp -s - "$APP/installer-args.txt" ||
        e2e_fail "installer arguments: $(cat "$APP/installer-args.txt")"
    touch "$APP/release"
    wait_for 15 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
    [ ! -e "$APP/setup.sh" ] || e2e_fail "installer left behind"
    [ ! -e "$APP/iupdate.ini" ] || e2e_fail "iupdate.ini left behind"
    grep -qx 'prgver=2.0' "$APP/update.ini" || e2e_fail "update.ini not updated"
    wait_for 10 e2e_served_runs 2.0 || e2e_fail "served program 2.0 not running"
}

title_matches() { e2e_title "$1" | grep -Eq "$2"; }

# Opens the download window for a 400 kB installer served at RATE.
open_slow_download() {
    setup 40k
    write_installer "$WWW/setup.sh"
    head -c 400000 /dev/zero | tr '\0' '#' >>"$WWW/setup.sh"
    write_remote_manifest "$WWW/manifest.ini" 2.0 "$BASE/slow/setup.sh" setup.sh
    e2e_local_manifest 1.0 "$BASE/manifest.ini"
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    WIN=$(e2e_wait_window '^Downloading Update$')
    e2e_click "$WIN" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    wait_for 20 title_matches "$WIN" '^Downloading Update - [1-9][0-9]?% downloaded$' ||
        e2e_fail "no progress in the title: $(e2e_title "$WIN")"
}

case_pause() {
    open_slow_download
    local title_paused
    e2e_click "$WIN" "$PAUSE_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    # Running, the percentage in the title moves every tenth of a second or
    # so; paused (at the next chunk boundary), it stands still.
    local last="" now stable=0
    for _ in $(seq 1 60); do
        now=$(e2e_title "$WIN")
        if [ "$now" = "$last" ]; then stable=$((stable + 1)); else stable=0; fi
        last=$now
        [ "$stable" -ge 10 ] && break
        sleep 0.1
    done
    [ "$stable" -ge 10 ] || e2e_fail "the received count did not stop"
    title_paused=$(e2e_title "$WIN")
    e2e_log "paused at '$title_paused'"
    [ "$title_paused" != "Downloading Update - 100% downloaded" ] || e2e_fail "finished before pause"
    e2e_running "$E2E_PW_PID" || e2e_fail "patchwell ended while paused"
    e2e_click "$WIN" "$PAUSE_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    wait_for 10 e2e_title_changed "$WIN" "$title_paused" || e2e_fail "the count did not go on"
    e2e_log "resumed: '$(e2e_title "$WIN")'"
    e2e_click "$WIN" "$CANCEL_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    wait_for 10 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
}

# updl_layout WINDOW: the window's size and a checksum of the pixels of its
# button row (the bottom 27 of 210 pixels as designed).
updl_layout() {
    local WIDTH HEIGHT band
    eval "$(xdotool getwindowgeometry --shell "$1")"
    band=$((27 * WIDTH / UPDL_WIDTH))
    printf '%sx%s %s\n' "$WIDTH" "$HEIGHT" "$(import -window "$1" png:- 2>/dev/null |
        convert png:- -crop "${WIDTH}x${band}+0+$((HEIGHT - band))" +repage rgb:- | md5sum |
        cut -c1-12)"
}

# expect_steady_layout WINDOW SIZE: for five seconds of a running download the
# window keeps SIZE, its size when shown, and its buttons stay where they are.
expect_steady_layout() {
    local first now title
    first=$(updl_layout "$1")
    [ "${first%% *}" = "$2" ] || e2e_fail "shown at $2, ${first%% *} once the download ran"
    title=$(e2e_title "$1")
    for _ in $(seq 1 25); do
        sleep 0.2
        now=$(updl_layout "$1")
        [ "$now" = "$first" ] || e2e_fail "'$first' became '$now' at '$(e2e_title "$1")'"
    done
    [ "$(e2e_title "$1")" != "$title" ] || e2e_fail "no progress while sampling"
}

# The download window keeps its size and its buttons' places while a slow
# download (100 s: the time left reads minutes and seconds) changes its
# texts, in English and in German; Cancel Update is where it was.
case_layout() {
    setup 40k
    write_installer "$WWW/setup.sh"
    head -c 4000000 /dev/zero | tr '\0' '#' >>"$WWW/setup.sh"
    write_remote_manifest "$WWW/manifest.ini" 2.0 "$BASE/slow/setup.sh" setup.sh
    local language offer win shown
    for language in en de; do
        e2e_program_folder "$PARENT/$language"
        e2e_local_manifest 1.0 "$BASE/manifest.ini"
        E2E_LANGUAGE=$language e2e_start_patchwell
        offer="An update has been found"
        [ "$language" = de ] && offer="Ein Update wurde gefunden"
        e2e_expect_message "$offer"
        win=$(e2e_wait_window '^(Downloading Update|Update wird heruntergeladen)$')
        shown=$(updl_layout "$win")
        shown=${shown%% *}
        e2e_click "$win" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
        wait_for 20 title_matches "$win" '[1-9][0-9]? ?%' || e2e_fail "no progress: $(e2e_title "$win")"
        expect_steady_layout "$win" "$shown"
        e2e_log "$language: $shown throughout"
        e2e_click "$win" "$CANCEL_X" "$BUTTONS_Y" "$UPDL_WIDTH"
        wait_for 10 e2e_not_running "$E2E_PW_PID" || e2e_fail "Cancel Update missed ($language)"
    done
}

case_cancel() {
    open_slow_download
    [ -e "$APP/iupdate.ini" ] || e2e_fail "iupdate.ini missing before cancel"
    e2e_click "$WIN" "$CANCEL_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    wait_for 10 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
    [ ! -e "$APP/iupdate.ini" ] || e2e_fail "iupdate.ini left behind"
    [ ! -e "$APP/served.pid" ] || e2e_fail "served program started"
}

case_missing() {
    setup
    e2e_start_patchwell
    local win
    win=$(e2e_wait_window '^Patchwell$')
    xprop -id "$win" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || e2e_fail "check window not topmost"
    xprop -id "$win" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_DIALOG &&
        e2e_fail "expected the check window, found a message box"
    e2e_press_return "$win"
    wait_for 10 e2e_not_running "$E2E_PW_PID" || e2e_fail "OK did not end the program"
    [ ! -e "$APP/served.pid" ] || e2e_fail "served program started"
}

case_second() {
    setup
    e2e_start_patchwell  # no update.ini: the first stays with its window
    local first=$E2E_PW_PID win
    win=$(e2e_wait_window '^Patchwell$')
    e2e_start_patchwell
    local second=$E2E_PW_PID
    wait_for 20 e2e_two_patchwell_windows || e2e_fail "no message from the second instance"
    local box
    box=$(e2e_windows '^Patchwell$' | grep -vx "$win" | head -n 1)
    local text
    text=$(e2e_message_text "$box")
    [ "$text" = "Patchwell can only be ran once" ] || e2e_fail "message was '$text'"
    e2e_press_return "$box"
    wait_for 10 e2e_not_running "$second" || e2e_fail "second instance did not end"
    e2e_running "$first" || e2e_fail "first instance ended"
    e2e_has_window '^Patchwell$' || e2e_fail "first instance's window is gone"
    e2e_press_return "$win"
    wait_for 10 e2e_not_running "$first" || e2e_fail "first instance did not end"
}
e2e_two_patchwell_windows() { [ "$(e2e_windows '^Patchwell$' | wc -l)" -ge 2 ]; }

case_savename() {
    setup
    write_installer "$WWW/x"
    write_remote_manifest "$WWW/manifest.ini" 2.0 "$BASE/x" "../x"
    e2e_local_manifest 1.0 "$BASE/manifest.ini"
    local before
    before=$(cd "$E2E_TMP/programs" && find . | sort)
    e2e_start_patchwell
    e2e_check_window_then_ok
    local after
    after=$(cd "$E2E_TMP/programs" && find . | grep -v '/iupdate.ini$' | sort)
    [ "$before" = "$after" ] || e2e_fail "files changed: $(diff <(echo "$before") <(echo "$after"))"
    [ ! -e "$APP/served.pid" ] && [ ! -e "$APP/installer-args.txt" ] || e2e_fail "something started"
}

case_signal() {
    open_slow_download
    [ -e "$APP/setup.sh" ] || e2e_fail "no partial installer before the signal"
    kill -TERM "$E2E_PW_PID"
    wait_for 20 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end on SIGTERM"
    [ ! -e "$APP/setup.sh" ] || e2e_fail "partial installer left behind"
    [ ! -e "$APP/installer-args.txt" ] && [ ! -e "$APP/served.pid" ] || e2e_fail "something started"
}

# plant_catalogue FOLDER: a German catalogue there, in a folder anyone may
# write to, that reads "Planted" for the offer ($PW_LRELEASE makes it).
plant_catalogue() {
    [ -x "${PW_LRELEASE:-}" ] || e2e_fail "PW_LRELEASE names no lrelease"
    mkdir -p "$1"
    chmod 0777 "$1"
    printf '%s\n' '<?xml version="1.0" encoding="utf-8"?>' '<TS version="2.1" language="de_DE">' \
        '<context><name>patchwell::update::texts</name><message>' \
        '<source>An update has been found</source><translation>Planted</translation>' \
        '</message></context></TS>' >"$E2E_TMP/planted.ts"
    "$PW_LRELEASE" -silent "$E2E_TMP/planted.ts" -qm "$1/patchwell_de.qm" || e2e_fail "lrelease"
}

# patchwell in German: the offer with its release notes, the download window
# and the installation window in German, Qt's own buttons with them. patchwell
# lies alone in its folder and speaks German from the catalogue it carries;
# catalogues others could have put beside it or in ../share are not read. The
# screenshots go to $PW_E2E_SHOTS when it names a folder.
case_german() {
    setup
    plant_catalogue "$APP/translations"
    plant_catalogue "$PARENT/share/patchwell/translations"
    write_installer "$WWW/setup.sh"
    echo 'n=0; while [ ! -e "$folder/release" ] && [ $n -lt 1200 ]; do sleep 0.05; n=$((n+1)); done' \
        >>"$WWW/setup.sh"
    printf 'Version 2.0 ist schneller.\n' >"$WWW/notes.txt"
    printf '[Update]\ncurver=2.0\ncurverurl=%s\nsavefileas=setup.sh\ncurvernotes=%s\n' \
        "$BASE/setup.sh" "$BASE/notes.txt" >"$WWW/manifest.ini"
    e2e_local_manifest 1.0 "$BASE/manifest.ini"
    local shots=${PW_E2E_SHOTS:-$E2E_TMP/shots}
    mkdir -p "$shots"
    E2E_LANGUAGE=de e2e_start_patchwell
    local box text
    box=$(e2e_wait_window '^Patchwell$')
    text=$(e2e_message_text "$box")
    [ "$text" = "$(printf 'Ein Update wurde gefunden\n\nVersion 2.0 ist schneller.')" ] ||
        e2e_fail "offer was '$text'"
    e2e_screenshot "$shots/offer-de.png"
    e2e_press_return "$box"
    wait_for 10 e2e_box_gone "$box" || e2e_fail "the offer stayed open"
    local win extract
    win=$(e2e_wait_window '^Update wird heruntergeladen$')
    e2e_screenshot "$shots/download-de.png"
    e2e_click "$win" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    extract=$(e2e_wait_window '^Neueste Version wird installiert$')
    e2e_window_mapped "$extract" || e2e_fail "installation window not shown"
    e2e_screenshot "$shots/install-de.png"
    touch "$APP/release"
    wait_for 15 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
    wait_for 10 e2e_served_runs 2.0 || e2e_fail "served program 2.0 not running"
    e2e_log "screenshots: $shots"
}

# runs_from LINK NAME: LINK names a memory file NAME, or where memory files
# may not be executed (vm.memfd_noexec=2) a private copy, removed once open.
runs_from() {
    if [ "$(cat /proc/sys/vm/memfd_noexec 2>/dev/null || echo 0)" = 2 ]; then
        [[ $1 == "${XDG_RUNTIME_DIR:?}/patchwell/.run-"*" (deleted)" ]]
    else
        [ "$1" = "/memfd:$2 (deleted)" ]
    fi
}

# Started from a folder others may write to, which holds a Qt plugin and a
# qt.conf that would take every plugin, the platform's too, from an empty
# folder: neither is read. The installer, bound by its size and digest, runs
# from its checked copy, and no copy stays behind.
case_planted() {
    [ -n "${PW_PLANTED_PLUGIN:-}" ] || e2e_fail "PW_PLANTED_PLUGIN names no plugin"
    setup
    local shared="$E2E_TMP/shared"
    mkdir -p "$shared/networkinformation" "$shared/empty"
    cp "$PW_PLANTED_PLUGIN" "$shared/networkinformation/"
    printf '[Paths]\nPlugins=%s\n' "$shared/empty" >"$shared/qt.conf"
    export PW_PLANTED_MARK="$E2E_TMP/planted-loaded"
    write_installer "$WWW/setup.sh"
    echo 'readlink "$0" >"$folder/installer-image.txt"' >>"$WWW/setup.sh"
    echo 'n=0; while [ ! -e "$folder/release" ] && [ $n -lt 1200 ]; do sleep 0.05; n=$((n+1)); done' \
        >>"$WWW/setup.sh"
    printf '[Update]\ncurver=2.0\ncurverurl=%s\nsavefileas=setup.sh\ncurversize=%s\ncurversha256=%s\n' \
        "$BASE/setup.sh" "$(stat -c %s "$WWW/setup.sh")" \
        "$(sha256sum "$WWW/setup.sh" | cut -d' ' -f1)" >"$WWW/manifest.ini"
    e2e_local_manifest 1.0 "$BASE/manifest.ini"
    E2E_CWD=$shared e2e_start_patchwell
    e2e_expect_message "An update has been found"
    local win image
    win=$(e2e_wait_window '^Downloading Update$')
    image=$(readlink "/proc/$E2E_PW_PID/exe")
    runs_from "$image" patchwell || e2e_fail "the whole program runs from '$image'"
    e2e_click "$win" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    wait_for 10 test -s "$APP/installer-image.txt" || e2e_fail "installer did not run"
    image=$(cat "$APP/installer-image.txt")
    runs_from "$image" patchwell-installer || e2e_fail "the installer ran from '$image'"
    touch "$APP/release"
    wait_for 15 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
    wait_for 10 e2e_served_runs 2.0 || e2e_fail "served program 2.0 not running"
    [ ! -e "$PW_PLANTED_MARK" ] || e2e_fail "the planted plugin was loaded"
    local left
    left=$(find "$E2E_TMP" "${XDG_RUNTIME_DIR:-$E2E_TMP}" -name '.run-*')
    [ -z "$left" ] || e2e_fail "copies left behind: $left"
}

# Where the whole program has nowhere to run from (no executable memory file,
# no folder of the user's own for a copy), a plain start still starts the
# served program.
case_unrunnable() {
    [ "$(cat /proc/sys/vm/memfd_noexec)" = 2 ] || e2e_fail "needs vm.memfd_noexec=2"
    setup
    write_remote_manifest "$WWW/manifest.ini" 2.0 "$BASE/setup.sh" setup.sh
    e2e_local_manifest 1.0 "$BASE/manifest.ini"
    touch "$E2E_TMP/file"
    (unset XDG_RUNTIME_DIR; E2E_CACHE="$E2E_TMP/file/cache" e2e_start_patchwell
     wait "$E2E_PW_PID" && echo 0 >"$E2E_TMP/status" || echo $? >"$E2E_TMP/status")
    [ "$(cat "$E2E_TMP/status")" = 127 ] || e2e_fail "patchwell ended with $(cat "$E2E_TMP/status")"
    grep -qx 'patchwell: cannot run: Permission denied' "$E2E_TMP/patchwell.log" ||
        e2e_fail "no reason given: $(cat "$E2E_TMP/patchwell.log")"
    wait_for 10 e2e_served_runs 1.0 || e2e_fail "served program not running"
    ! e2e_has_window '^Patchwell$' || e2e_fail "a window opened"
}

# Signed updates: the real minisign makes the keys, patchwell-publish the
# signatures; each scenario has its own program folder and server folder.
# not_verified REASON: the refusal's text, with its reason on the second line.
not_verified() { printf 'Patchwell could not verify this update, so nothing was installed.\n%s' "$1"; }

# signed_folder NAME: a program folder at version 1.0 that checks
# $BASE/NAME/iupdate.ini with our public key.
signed_folder() {
    e2e_program_folder "$PARENT/$1"
    e2e_local_manifest 1.0 "$BASE/$1/iupdate.ini"
    echo "publickey=$(tail -n 1 "$KEYS/ours.pub")" >>"$APP/update.ini"
}

# publish NAME VERSION KEY: signs the test installer into $WWW/NAME.
publish() {
    "$PUBLISH" -o "$WWW/$1" "$E2E_TMP/setup.sh" "$BASE/$1/setup.sh" "$2" "$KEYS/$3.key" >/dev/null ||
        e2e_fail "patchwell-publish failed"
}

# Nothing of the update ran or stayed behind.
nothing_installed() {
    wait_for 15 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
    [ ! -e "$APP/installer-args.txt" ] || e2e_fail "the installer ran"
    [ ! -e "$APP/setup.sh" ] || e2e_fail "the installer was left in the folder"
    [ ! -e "$APP/iupdate.ini" ] || e2e_fail "iupdate.ini was left in the folder"
    [ ! -e "$APP/served.pid" ] || e2e_fail "the served program was started"
    grep -qx 'prgver=1.0' "$APP/update.ini" || e2e_fail "update.ini changed"
}

refused_at_check() {  # refused_at_check REASON
    e2e_start_patchwell
    e2e_expect_message "$(not_verified "$1")"
    nothing_installed
}

refused_at_install() {  # refused_at_install REASON
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    e2e_click "$(e2e_wait_window '^Downloading Update$')" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    e2e_expect_message "$(not_verified "$1")"
    nothing_installed
}

case_signed() {
    [ -x "$PUBLISH" ] || e2e_fail "no patchwell-publish given"
    setup
    KEYS="$E2E_TMP/keys"
    mkdir -p "$KEYS"
    for k in ours theirs; do
        minisign -G -W -f -p "$KEYS/$k.pub" -s "$KEYS/$k.key" >/dev/null || e2e_fail "minisign -G"
    done
    write_installer "$E2E_TMP/setup.sh"

    e2e_log "a signed update installs"
    publish good 2.0 ours
    signed_folder good
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    e2e_click "$(e2e_wait_window '^Downloading Update$')" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    wait_for 10 test -s "$APP/installer-args.txt" || e2e_fail "installer did not run"
    printf '/auto\n%s\n' "$APP" | cmp -s - "$APP/installer-args.txt" ||
        e2e_fail "installer arguments: $(cat "$APP/installer-args.txt")"
    wait_for 15 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
    [ ! -e "$APP/setup.sh" ] && [ ! -e "$APP/iupdate.ini" ] || e2e_fail "files left behind"
    wait_for 10 e2e_served_runs 2.0 || e2e_fail "served program 2.0 not running"
    grep -Eq '^lastmanifesttime=[0-9]{10}$' "$APP/update.ini" || e2e_fail "signing time not kept"

    e2e_log "a tampered installer"
    publish tampered 2.0 ours
    echo "echo owned >\"\$2/owned\"" >>"$WWW/tampered/setup.sh"
    signed_folder tampered
    refused_at_install "The downloaded installer does not have the size the update information gives."
    [ ! -e "$APP/owned" ] || e2e_fail "the tampered installer ran"

    e2e_log "a tampered manifest"
    publish manifest 2.0 ours
    sed -i 's/^curver=2.0$/curver=2.1/' "$WWW/manifest/iupdate.ini"
    signed_folder manifest
    refused_at_check "The update information does not match its signature."

    e2e_log "a missing signature"
    publish nosig 2.0 ours
    rm "$WWW/nosig/iupdate.ini.minisig"
    signed_folder nosig
    refused_at_check "The update information has no signature."

    e2e_log "a signature by another key"
    publish theirs 2.0 theirs
    signed_folder theirs
    refused_at_check "The update information was signed with another key."

    e2e_log "a replayed older manifest"
    publish replay 1.0 ours  # the current manifest: up to date
    signed_folder replay
    e2e_start_patchwell
    e2e_expect_message "You have the latest version of Sample Editor"
    wait_for 10 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
    wait_for 10 e2e_served_runs 1.0 || e2e_fail "served program not running"
    kill "$(cat "$APP/served.pid")" && rm "$APP/served.pid" "$APP/served.log"
    local accepted
    accepted=$(sed -n 's/^lastmanifesttime=//p' "$APP/update.ini")
    # An older manifest that offered 2.0, validly signed an hour earlier.
    printf '[Update]\ncurver=2.0\ncurverurl=%s\nsavefileas=setup.sh\n' "$BASE/replay/setup.sh" \
        >"$WWW/replay/iupdate.ini"
    minisign -S -s "$KEYS/ours.key" -m "$WWW/replay/iupdate.ini" \
        -t "$(printf 'timestamp:%s\tfile:iupdate.ini\thashed' $((accepted - 3600)))" >/dev/null ||
        e2e_fail "minisign -S"
    refused_at_check "The update information is older than the one used before."
}

# The signed manifest's cases, in a file of their own (cases_edges.sh runs
# on its own).
# shellcheck source=cases_signed.sh
source "$here/cases_signed.sh"

e2e_run_case
