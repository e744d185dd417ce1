#!/usr/bin/env bash
# End-to-end cases of updates that move less than the whole installer: a
# binary patch from the installer that ran last, its fallback to the full
# installer, and the compressed full download. Real parts as in run_e2e.sh
# (patchwell-publish makes the patches, minisign signs); nginx's access log
# is the witness of what moved, and each test installer writes down the
# SHA-256 of the bytes it was run from.
#
#   pw-x-session --size 1280x800 -- \
#       bash cases_patch.sh CASE PATCHWELL NGINX_LAUNCHER PATCHWELL_PUBLISH
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e_lib.sh
source "$here/e2e_lib.sh"
e2e_args "$@"

# The served folder, a key made with the real minisign, a payload that all
# test installers share (so that a patch between two of them is small) and a
# program folder at 1.0 checking $BASE/p/iupdate.ini under that key.
patch_setup() {
    [ -x "$PUBLISH" ] || e2e_fail "no patchwell-publish given"
    e2e_serve 40k
    KEYS="$E2E_TMP/keys"
    mkdir -p "$KEYS" "$E2E_TMP/installers"
    minisign -G -W -f -p "$KEYS/k.pub" -s "$KEYS/k.key" >/dev/null || e2e_fail "minisign -G"
    head -c 100000 /dev/urandom | base64 -w 76 >"$E2E_TMP/shared-payload"
    e2e_program_folder "$E2E_TMP/programs/my app"
    e2e_local_manifest 1.0 "$BASE/p/iupdate.ini"
    echo "publickey=$(tail -n 1 "$KEYS/k.pub")" >>"$APP/update.ini"
}

# installer VERSION [FRESH_BYTES]: $E2E_TMP/installers/VERSION.sh, which
# installs VERSION and records the SHA-256 of what it runs from, then the
# shared payload and FRESH_BYTES (default 0) of this version's own.
installer() {
    local file="$E2E_TMP/installers/$1.sh"
    cat >"$file" <<SH
#!/bin/sh
folder=\$2
sha256sum <"\$0" | cut -d' ' -f1 >"\$folder/installer-sha256.txt"
echo "$1" >"\$folder/version.txt"
sed -i 's/^prgver=.*/prgver=$1/' "\$folder/update.ini"
printf '%s\n' "\$@" >"\$folder/installer-args.tmp" && mv "\$folder/installer-args.tmp" "\$folder/installer-args.txt"
exit 0
SH
    cat "$E2E_TMP/shared-payload" >>"$file"
    head -c "${2:-0}" /dev/urandom | base64 -w 76 >>"$file"
}
installer_file() { echo "$E2E_TMP/installers/$1.sh"; }
sha_of() { sha256sum <"$1" | cut -d' ' -f1; }

# publish VERSION [slow] [OPTION ...]: the installer of VERSION signed into
# $WWW/p as setup.sh, fetched from /slow/p/ at the server's rate when asked.
publish() {
    local version=$1 prefix=""
    shift
    if [ "${1:-}" = slow ]; then prefix=/slow; shift; fi
    "$PUBLISH" -o "$WWW/p" -m "$BASE/p/iupdate.ini" "$@" "$(installer_file "$version")" \
        "$BASE$prefix/p/setup.sh" "$version" "$KEYS/k.key" >/dev/null ||
        e2e_fail "patchwell-publish failed"
}
manifest_key() { sed -n "s/^$1=//p" "$WWW/p/iupdate.ini"; }
sign_manifest() {
    minisign -S -s "$KEYS/k.key" -m "$WWW/p/iupdate.ini" -x "$WWW/p/iupdate.ini.minisig" \
        >/dev/null || e2e_fail "minisign -S"
}
# set_manifest_key KEY VALUE: changes KEY in the published manifest and signs
# it again (a publisher's own mistake, not an attack).
set_manifest_key() {
    sed -i "s|^$1=.*|$1=$2|" "$WWW/p/iupdate.ini"
    sign_manifest
}
# The patch file from the installer of VERSION to the published one.
patch_name() { echo "setup.sh.from-$(sha_of "$(installer_file "$1")" | cut -c1-16).zstpatch"; }

# log_mark: where the next round's requests begin in the access log.
log_mark() { MARK=$(($(wc -l <"$E2E_NGINX_WORK/access.log") + 1)); }
# moved: the files requested since log_mark, one a line, in order, a file
# requested several times in a row (a resumed transfer) once.
moved() {
    tail -n "+$MARK" "$E2E_NGINX_WORK/access.log" |
        sed -n 's|.*"[A-Z]* /\(slow/\)\?p/\([^ ?]*\)[^"]*" \([0-9]*\) .*|\2|p' | uniq
}
# downloads: what moved since log_mark beside the manifest and its
# signature (which may come from the user's cache, a 304 or nothing).
downloads() { moved | grep -vx 'iupdate.ini\(\.minisig\)\?' || true; }
# moved_only FILE...: these files and no others were downloaded (any order).
moved_only() {
    local want got
    want=$(printf '%s\n' "$@" | sort -u)
    got=$(downloads | sort -u)
    [ "$want" = "$got" ] || e2e_fail "downloads were: $(downloads | tr '\n' ' '), expected: $*"
}
# moved_in_order FILE...: these downloads and no others, in this order.
moved_in_order() {
    local got
    got=$(downloads | tr '\n' ' ')
    [ "$got" = "$* " ] || e2e_fail "downloads were: $got, expected: $*"
}

# kept_with DIGEST: the files of the user's state folder holding these bytes.
kept_with() {
    find "$XDG_STATE_HOME/patchwell" -type f -exec sha256sum {} + | sed -n "s|^$1  ||p"
}
# The installer of VERSION is kept as a base: private, once.
is_kept() {
    local kept
    kept=$(kept_with "$(sha_of "$(installer_file "$1")")")
    [ "$(printf '%s' "$kept" | grep -c .)" = 1 ] || e2e_fail "installer $1 kept as: '$kept'"
    [ "$(stat -c %a "$kept")" = 600 ] && [ "$(stat -c %a "$(dirname "$kept")")" = 700 ] ||
        e2e_fail "installer $1 kept open to others: $(stat -c %a "$kept")"
}
not_kept() {
    [ -z "$(kept_with "$(sha_of "$(installer_file "$1")")")" ] || e2e_fail "installer $1 is still kept"
}
# Files in the user's state folder other than the kept installers named,
# larger than a record of a few digests (a patch or part of one left over).
strays_beside() {
    local keep=() v f
    for v in "$@"; do keep+=("$(sha_of "$(installer_file "$v")")"); done
    find "$XDG_STATE_HOME/patchwell" -type f -size +4k -print0 |
        while IFS= read -r -d '' f; do
            printf '%s\n' "${keep[@]}" | grep -qx "$(sha_of "$f")" || echo "$f"
        done
}

# start_download: patchwell offers the update and Start Update is clicked.
start_download() {
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    DL_WIN=$(e2e_wait_window '^Downloading Update$')
    e2e_click "$DL_WIN" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
}

# installs VERSION: the update started by start_download ends with the
# installer of VERSION run with /auto and the program folder, from bytes
# that hash to the manifest's curversha256, and the served program VERSION
# running; the served program is stopped again.
installs() {
    wait_for 40 test -s "$APP/installer-args.txt" || e2e_fail "installer did not run"
    e2e_patchwell_ended
    printf '/auto\n%s\n' "$APP" | cmp -s - "$APP/installer-args.txt" ||
        e2e_fail "installer arguments: $(cat "$APP/installer-args.txt")"
    local ran
    ran=$(cat "$APP/installer-sha256.txt")
    [ "$ran" = "$(manifest_key curversha256)" ] && [ "$ran" = "$(sha_of "$(installer_file "$1")")" ] ||
        e2e_fail "the installer that ran hashes to $ran"
    wait_for 10 e2e_served_runs "$1" || e2e_fail "served program $1 not running"
    kill "$(cat "$APP/served.pid")" && rm -f "$APP/served.pid" "$APP/served.log"
    rm -f "$APP/installer-args.txt" "$APP/installer-sha256.txt"
    [ ! -e "$APP/setup.sh" ] && [ ! -e "$APP/iupdate.ini" ] || e2e_fail "files left in the folder"
    [ -z "$(find "$APP" -name '*.zst*')" ] || e2e_fail "a patch or compressed file in the folder"
}

# update_to VERSION: one whole update, Start to the served program.
update_to() {
    start_download
    installs "$1"
}

# The first update comes whole and its installer is kept; the second comes
# as the patch from it, which alone moves (not the patch from another
# installer, not the compressed or the full installer, also offered), even
# after patchwell was killed during the patch's download.
case_update() {
    patch_setup
    installer 2.0
    installer 3.0 150000
    installer other 20000
    publish 2.0
    log_mark
    update_to 2.0
    moved_only setup.sh
    is_kept 2.0

    e2e_log "3.0 as a patch from 2.0; killed during its download"
    publish 3.0 slow --delta-from "$(installer_file other)" --delta-from "$(installer_file 2.0)" \
        --compress
    [ -n "$(manifest_key curverpatch2)" ] && [ -n "$(manifest_key curverzst)" ] ||
        e2e_fail "the manifest offers no patch or no compressed file"
    log_mark
    start_download
    wait_for 20 title_at_least "$DL_WIN" 30 || e2e_fail "no progress: $(e2e_title "$DL_WIN")"
    kill -KILL "$E2E_PW_PID"
    e2e_patchwell_ended
    # nginx logs the cut transfer once it finds the connection closed.
    wait_for 10 grep -qF "$(patch_name 2.0)" "$E2E_NGINX_WORK/access.log" ||
        e2e_fail "the patch was not requested"
    moved_only "$(patch_name 2.0)"
    [ ! -e "$APP/setup.sh" ] || e2e_fail "an installer in the folder"
    grep -qx 'prgver=2.0' "$APP/update.ini" || e2e_fail "update.ini changed"
    is_kept 2.0
    not_kept 3.0

    e2e_log "the next start downloads the patch again and installs it"
    log_mark
    update_to 3.0
    moved_only "$(patch_name 2.0)"
    is_kept 3.0
    is_kept 2.0
    local strays
    strays=$(strays_beside 2.0 3.0)
    [ -z "$strays" ] || e2e_fail "left in the state folder: $strays"
}

# A patch that is damaged, cut short or made from a base that no longer
# hashes right here: each time the full installer follows in the same run
# and installs, and a changed base is no longer kept.
case_fallback() {
    patch_setup
    local v
    for v in 2.0 3.0 4.0 5.0; do installer "$v" 30000; done
    publish 2.0
    update_to 2.0

    e2e_log "a bit flipped in the patch, the manifest naming the damaged bytes"
    publish 3.0 --delta-from "$(installer_file 2.0)"
    local patch at byte
    patch="$WWW/p/$(patch_name 2.0)"
    at=$(($(stat -c %s "$patch") / 2))
    byte=$(od -An -tu1 -j "$at" -N 1 "$patch" | tr -d ' ')
    # shellcheck disable=SC2059
    printf "$(printf '\\%03o' $((byte ^ 4)))" | dd of="$patch" bs=1 seek="$at" conv=notrunc status=none
    set_manifest_key curverpatch1sha256 "$(sha_of "$patch")"
    log_mark
    update_to 3.0
    moved_in_order "$(patch_name 2.0)" setup.sh

    e2e_log "the patch cut short after signing"
    publish 4.0 --delta-from "$(installer_file 3.0)"
    patch="$WWW/p/$(patch_name 3.0)"
    truncate -s $(($(stat -c %s "$patch") / 2)) "$patch"
    log_mark
    update_to 4.0
    moved_in_order "$(patch_name 3.0)" setup.sh
    # The one before the current stays; older ones go.
    is_kept 4.0
    is_kept 3.0
    not_kept 2.0

    e2e_log "the kept base changed since it was kept"
    local kept changed
    kept=$(kept_with "$(sha_of "$(installer_file 4.0)")")
    printf 'X' | dd of="$kept" bs=1 seek=100 conv=notrunc status=none
    changed=$(sha_of "$kept")
    publish 5.0 --delta-from "$(installer_file 4.0)"
    log_mark
    update_to 5.0
    moved_in_order "$(patch_name 4.0)" setup.sh
    [ -z "$(kept_with "$changed")" ] || e2e_fail "the changed base is still kept"
    is_kept 5.0
    [ -z "$(strays_beside 5.0 3.0 4.0)" ] || e2e_fail "left in the state folder: $(strays_beside 5.0)"
}

# With no installer kept (1.0 was not installed by patchwell) the compressed
# full download alone moves, not the patch offered beside it; one that
# inflates past the installer's size is dropped for the full installer.
case_compressed() {
    patch_setup
    installer 2.0 20000
    installer 3.0 20000
    installer other
    publish 2.0 --compress --delta-from "$(installer_file other)"
    [ "$(manifest_key curverzst)" = "$BASE/p/setup.sh.zst" ] || e2e_fail "no compressed download offered"
    [ "$(stat -c %s "$WWW/p/setup.sh.zst")" -lt "$(stat -c %s "$WWW/p/setup.sh")" ] ||
        e2e_fail "the compressed file is not smaller"
    log_mark
    update_to 2.0
    moved_only setup.sh.zst
    is_kept 2.0

    e2e_log "a compressed file that inflates past the installer"
    publish 3.0 --compress
    { cat "$(installer_file 3.0)"; head -c 50000 /dev/zero; } >"$E2E_TMP/longer.sh"
    rm "$WWW/p/setup.sh.zst"
    "$(dirname "$PUBLISH")/patchwell-delta" compress "$E2E_TMP/longer.sh" "$WWW/p/setup.sh.zst" >/dev/null ||
        e2e_fail "patchwell-delta compress failed"
    sed -i "s|^curverzstsize=.*|curverzstsize=$(stat -c %s "$WWW/p/setup.sh.zst")|" "$WWW/p/iupdate.ini"
    set_manifest_key curverzstsha256 "$(sha_of "$WWW/p/setup.sh.zst")"
    log_mark
    update_to 3.0
    moved_in_order setup.sh.zst setup.sh
}

e2e_run_case
