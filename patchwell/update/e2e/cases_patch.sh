#!/usr/bin/env bash
# End-to-end cases of patches, their fallback to the full installer and the
# compressed download, made by patchwell-publish; nginx's log is the witness
# of what moved, and each installer records the SHA-256 of what it ran from.
#   pw-x-session --size 1280x800 -- \
#       bash cases_patch.sh CASE PATCHWELL NGINX_LAUNCHER PATCHWELL_PUBLISH
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e_lib.sh
source "$here/e2e_lib.sh"
e2e_args "$@"

# patch_setup FRESH VERSION...: nginx, a minisign key, the installers of
# VERSIONS and "other" (a shared payload, so that patches are small, and
# FRESH bytes of their own) and a program folder at 1.0 under the key.
patch_setup() {
    [ -x "$PUBLISH" ] || e2e_fail "no patchwell-publish given"
    e2e_serve 40k
    KEYS="$E2E_TMP/keys"
    mkdir -p "$KEYS" "$E2E_TMP/installers"
    minisign -G -W -f -p "$KEYS/k.pub" -s "$KEYS/k.key" >/dev/null || e2e_fail "minisign -G"
    head -c 100000 /dev/urandom | base64 -w 76 >"$E2E_TMP/shared-payload"
    local fresh=$1 v
    shift
    for v in "$@" other; do
        cat >"$(installer_file "$v")" <<SH
#!/bin/sh
folder=\$2
sha256sum <"\$0" | cut -d' ' -f1 >"\$folder/installer-sha256.txt"
echo "$v" >"\$folder/version.txt"
sed -i 's/^prgver=.*/prgver=$v/' "\$folder/update.ini"
printf '%s\n' "\$@" >"\$folder/installer-args.tmp" && mv "\$folder/installer-args.tmp" "\$folder/installer-args.txt"
exit 0
SH
        { cat "$E2E_TMP/shared-payload"; head -c "$fresh" /dev/urandom | base64 -w 76; } \
            >>"$(installer_file "$v")"
    done
    e2e_program_folder "$E2E_TMP/programs/my app"
    e2e_local_manifest 1.0 "$BASE/p/iupdate.ini"
    echo "publickey=$(tail -n 1 "$KEYS/k.pub")" >>"$APP/update.ini"
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
# set_manifest_key KEY VALUE: KEY changed in the manifest, signed again.
set_manifest_key() {
    sed -i "s|^$1=.*|$1=$2|" "$WWW/p/iupdate.ini"
    minisign -S -s "$KEYS/k.key" -m "$WWW/p/iupdate.ini" -x "$WWW/p/iupdate.ini.minisig" \
        >/dev/null || e2e_fail "minisign -S"
}
# The patch file from the installer of VERSION to the published one.
patch_name() { echo "setup.sh.from-$(sha_of "$(installer_file "$1")" | cut -c1-16).zstpatch"; }

# downloaded FILE...: since the last call, exactly these were requested, in
# this order, beside the manifest and its signature (perhaps from the cache).
LOG_MARK=1
downloaded() {
    local got
    got=$(tail -n "+$LOG_MARK" "$E2E_NGINX_WORK/access.log" |
        sed -n 's|.*"[A-Z]* /\(slow/\)\?p/\([^ ?]*\)[^"]*" [0-9]* .*|\2|p' | uniq |
        grep -vx 'iupdate.ini\(\.minisig\)\?' | tr '\n' ' ') || true
    LOG_MARK=$(($(wc -l <"$E2E_NGINX_WORK/access.log") + 1))
    [ "$got" = "$* " ] || e2e_fail "downloads were: $got, expected: $*"
}

# kept_are VERSION...: the state folder holds these installers, private, and
# nothing else larger than a record (no patch or part of one).
kept_are() {
    local want=() v got
    for v in "$@"; do want+=("$(sha_of "$(installer_file "$v")")"); done
    got=$(find "$XDG_STATE_HOME/patchwell" -type f -size +4k -exec sha256sum {} + | cut -d' ' -f1 | sort)
    [ "$got" = "$(printf '%s\n' "${want[@]}" | sort)" ] || e2e_fail "not kept as $*: $got"
    [ -z "$(find "$XDG_STATE_HOME/patchwell" \( -type f ! -perm 600 \) -o \( -type d ! -perm 700 \))" ] ||
        e2e_fail "kept files open to others"
}

# start_download: patchwell offers the update and Start Update is clicked.
start_download() {
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    DL_WIN=$(e2e_wait_window '^Downloading Update$')
    e2e_click "$DL_WIN" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
}

# update_to VERSION: the installer of VERSION runs with /auto and the folder
# from bytes that hash to curversha256, then the served program VERSION;
# nothing is left in the program folder.
update_to() {
    start_download
    wait_for 40 test -s "$APP/installer-args.txt" || e2e_fail "installer did not run"
    e2e_patchwell_ended
    printf '/auto\n%s\n' "$APP" | cmp -s - "$APP/installer-args.txt" ||
        e2e_fail "installer arguments: $(cat "$APP/installer-args.txt")"
    local ran
    ran=$(cat "$APP/installer-sha256.txt")
    if [ "$ran" != "$(manifest_key curversha256)" ] || [ "$ran" != "$(sha_of "$(installer_file "$1")")" ]; then
        e2e_fail "the installer that ran hashes to $ran"
    fi
    wait_for 10 e2e_served_runs "$1" || e2e_fail "served program $1 not running"
    kill "$(cat "$APP/served.pid")" && rm -f "$APP"/{served.pid,served.log,installer-args.txt,installer-sha256.txt}
    [ -z "$(find "$APP" -name 'setup.sh*' -o -name iupdate.ini -o -name '*.zst*')" ] ||
        e2e_fail "files left in the folder: $(ls "$APP")"
}

# With no installer kept (1.0 was not installed by patchwell) the first
# update comes as the compressed installer, not the patch offered beside it,
# and what ran is kept; the second comes as the patch from it, which alone
# moves (not the patch from another installer, the compressed or the full
# installer, also offered), also after patchwell was killed during its download.
case_update() {
    patch_setup 150000 2.0 3.0
    publish 2.0 --compress --delta-from "$(installer_file other)"
    update_to 2.0
    downloaded setup.sh.zst
    kept_are 2.0

    e2e_log "3.0 as a patch from 2.0; killed during its download"
    publish 3.0 slow --delta-from "$(installer_file other)" --delta-from "$(installer_file 2.0)" \
        --compress
    start_download
    wait_for 20 title_at_least "$DL_WIN" 30 || e2e_fail "no progress: $(e2e_title "$DL_WIN")"
    kill -KILL "$E2E_PW_PID"
    e2e_patchwell_ended
    # nginx logs the cut transfer once it finds the connection closed.
    wait_for 10 grep -qF "$(patch_name 2.0)" "$E2E_NGINX_WORK/access.log" ||
        e2e_fail "the patch was not requested"
    downloaded "$(patch_name 2.0)"
    [ ! -e "$APP/setup.sh" ] && grep -qx 'prgver=2.0' "$APP/update.ini" ||
        e2e_fail "the killed update changed the folder"

    e2e_log "the next start fetches the patch again and installs it"
    update_to 3.0
    downloaded "$(patch_name 2.0)"
    kept_are 2.0 3.0
}

# A patch made from a base that no longer hashes right here, damaged, or
# cut short: each time the full installer follows in the same run and
# installs; a changed base is dropped, and only the last two stay kept.
case_fallback() {
    patch_setup 30000 2.0 3.0 4.0 5.0
    publish 2.0
    update_to 2.0
    downloaded setup.sh
    kept_are 2.0

    e2e_log "the kept base changed since it was kept"
    local kept
    kept=$(find "$XDG_STATE_HOME/patchwell" -type f -size +4k)
    printf 'X' | dd of="$kept" bs=1 seek=100 conv=notrunc status=none
    publish 3.0 --delta-from "$(installer_file 2.0)"
    update_to 3.0
    downloaded "$(patch_name 2.0)" setup.sh
    kept_are 3.0

    e2e_log "a bit flipped in the patch, the manifest naming the damaged bytes"
    publish 4.0 --delta-from "$(installer_file 3.0)"
    local patch
    patch="$WWW/p/$(patch_name 3.0)"
    python3 -c 'import sys; f = open(sys.argv[1], "r+b"); n = len(f.read()) // 2
f.seek(n); b = f.read(1)[0]; f.seek(n); f.write(bytes([b ^ 4]))' "$patch"
    set_manifest_key curverpatch1sha256 "$(sha_of "$patch")"
    update_to 4.0
    downloaded "$(patch_name 3.0)" setup.sh
    kept_are 3.0 4.0

    e2e_log "the patch cut short after signing"
    publish 5.0 --delta-from "$(installer_file 4.0)"
    patch="$WWW/p/$(patch_name 4.0)"
    truncate -s $(($(stat -c %s "$patch") / 2)) "$patch"
    update_to 5.0
    downloaded "$(patch_name 4.0)" setup.sh
    kept_are 4.0 5.0
}

e2e_run_case
