# shellcheck shell=bash
# End-to-end cases of the signed manifest that binds installer, address and
# time, of key rotation, staged rollout and release notes. Sourced by
# run_e2e.sh, whose helpers they use.

WRONG_LENGTH="The downloaded installer does not have the size the update information gives."
WRONG_DIGEST="The downloaded installer does not have the SHA-256 the update information gives."

# Keys made with the real minisign: ours, next (for rotation) and theirs.
signed_setup() {
    [ -x "$PUBLISH" ] || e2e_fail "no patchwell-publish given"
    setup
    KEYS="$E2E_TMP/keys"
    mkdir -p "$KEYS"
    for k in ours next theirs; do
        minisign -G -W -f -p "$KEYS/$k.pub" -s "$KEYS/$k.key" >/dev/null || e2e_fail "minisign -G"
    done
    write_installer "$E2E_TMP/setup.sh"
}

# sign_manifest FILE KEY: a fresh signature beside FILE.
sign_manifest() {
    minisign -S -s "$KEYS/$2.key" -m "$1" -x "$1.minisig" >/dev/null || e2e_fail "minisign -S"
}

local_key() { sed -n "s/^$1=//p" "$APP/update.ini"; }

# up_to_date: patchwell says so, ends and starts the served program 1.0.
up_to_date() {
    e2e_start_patchwell
    e2e_expect_message "You have the latest version of Sample Editor"
    wait_for 10 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
    [ ! -e "$APP/iupdate.ini" ] || e2e_fail "iupdate.ini left behind"
    wait_for 10 e2e_served_runs 1.0 || e2e_fail "served program 1.0 not running"
    kill "$(cat "$APP/served.pid")" && rm -f "$APP/served.pid" "$APP/served.log"
}

# A bound update with release notes installs at rollout 100, and the signing
# settings that its installer drops from update.ini are written back; at
# rollout 0 the update is offered to none.
case_signed_bound() {
    signed_setup
    # This installer writes a fresh update.ini, as some do.
    cat >>"$E2E_TMP/setup.sh" <<'SH'
printf '[Program]\nPrgname=Sample Editor\nprgver=2.0\nexe=served.sh\n[Update]\nverchckurl=elsewhere\n' >"$folder/update.ini"
SH
    printf 'Version 2.0\n\n- Faster start\n- <b>Grüße</b> stay plain text\n' >"$E2E_TMP/notes.txt"
    "$PUBLISH" -o "$WWW/bound" --expires 30 --rollout 100 --next-key "$KEYS/next.pub" \
        --notes "$E2E_TMP/notes.txt" "$BASE/bound/notes.txt" \
        "$E2E_TMP/setup.sh" "$BASE/bound/setup.sh" 2.0 "$KEYS/ours.key" >/dev/null ||
        e2e_fail "patchwell-publish failed"
    grep -Eq '^expires=[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}Z$' "$WWW/bound/iupdate.ini" ||
        e2e_fail "no expiry written"
    [ ! -e "$WWW/bound/setup.sh.minisig" ] || e2e_fail "the installer needs no signature now"
    signed_folder bound
    echo "nextpublickey=$(tail -n 1 "$KEYS/next.pub")" >>"$APP/update.ini"
    e2e_start_patchwell
    e2e_expect_message "An update has been found

$(cat "$E2E_TMP/notes.txt")"
    e2e_click "$(e2e_wait_window '^Downloading Update$')" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    wait_for 10 test -s "$APP/installer-args.txt" || e2e_fail "installer did not run"
    wait_for 15 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
    [ ! -e "$APP/setup.sh" ] && [ ! -e "$APP/iupdate.ini" ] || e2e_fail "files left behind"
    wait_for 10 e2e_served_runs 2.0 || e2e_fail "served program 2.0 not running"
    [ "$(local_key publickey)" = "$(tail -n 1 "$KEYS/ours.pub")" ] || e2e_fail "publickey lost"
    [ "$(local_key nextpublickey)" = "$(tail -n 1 "$KEYS/next.pub")" ] || e2e_fail "nextpublickey lost"
    local_key lastmanifesttime | grep -Eqx '[0-9]{10}' || e2e_fail "lastmanifesttime lost"
    grep -qx 'prgver=2.0' "$APP/update.ini" || e2e_fail "the installer's update.ini was not kept"
    grep -q 'rolloutbucket' "$APP/update.ini" && e2e_fail "a number was drawn at 100 %"

    e2e_log "rollout 0: offered to none; the check ends as up to date, a number kept"
    "$PUBLISH" -o "$WWW/staged" --rollout 0 \
        "$E2E_TMP/setup.sh" "$BASE/staged/setup.sh" 2.0 "$KEYS/ours.key" >/dev/null ||
        e2e_fail "patchwell-publish --rollout failed"
    signed_folder staged
    up_to_date
    local_key rolloutbucket | grep -Eqx '[0-9]{1,2}' || e2e_fail "no rollout number kept"
    [ ! -e "$APP/installer-args.txt" ] || e2e_fail "the installer ran"
}

# Each attack ends with the refusal, nothing run and nothing left.
case_signed_refusals() {
    signed_setup

    e2e_log "mix-and-match: a fresh 2.0 manifest with the older, validly signed 1.5 installer"
    publish mix 2.0 ours
    sed 's/2\.0/1.5/g' "$E2E_TMP/setup.sh" >"$WWW/mix/setup.sh"  # same length, other bytes
    cmp -s "$E2E_TMP/setup.sh" "$WWW/mix/setup.sh" && e2e_fail "the old installer is the new one"
    minisign -S -s "$KEYS/ours.key" -m "$WWW/mix/setup.sh" >/dev/null || e2e_fail "minisign -S"
    signed_folder mix
    refused_at_install "$WRONG_DIGEST"

    e2e_log "a longer installer (30 MB) than the manifest binds"
    publish long 2.0 ours
    head -c 30000000 /dev/zero >>"$WWW/long/setup.sh"
    signed_folder long
    refused_at_install "$WRONG_LENGTH"

    e2e_log "wrong program, first run: another program's manifest, same key"
    publish other 1.5 ours
    signed_folder wrongprogram
    mkdir -p "$WWW/wrongprogram"
    cp "$WWW/other/iupdate.ini" "$WWW/other/iupdate.ini.minisig" "$WWW/wrongprogram/"
    refused_at_check "The update information was published for another address."

    e2e_log "freeze: an expired manifest"
    "$PUBLISH" -o "$WWW/expired" --no-expiry "$E2E_TMP/setup.sh" "$BASE/expired/setup.sh" 2.0 \
        "$KEYS/ours.key" >/dev/null || e2e_fail "patchwell-publish failed"
    echo "expires=2020-01-01T00:00:00Z" >>"$WWW/expired/iupdate.ini"
    sign_manifest "$WWW/expired/iupdate.ini" ours
    signed_folder expired
    refused_at_check "The update information has expired."

    e2e_log "a signing time that cannot be recorded"
    publish unrecorded 2.0 ours
    signed_folder unrecorded
    # File modes do not stop root: a file size limit below the size of
    # update.ini stops every write of it (SIGXFSZ ignored, so writes fail); the
    # soft limit, which patchwell lifts only to run its own image.
    printf '; %01000d\n' 0 >>"$APP/update.ini"
    (cd "$APP" && trap '' XFSZ && ulimit -S -f 1 && exec ./patchwell) >>"$E2E_TMP/patchwell.log" 2>&1 &
    E2E_PW_PID=$!
    E2E_PIDS+=("$E2E_PW_PID")
    e2e_expect_message "$(not_verified "The signing time or key could not be recorded in update.ini.")"
    nothing_installed
    [ -z "$(local_key lastmanifesttime)" ] || e2e_fail "a signing time was recorded"
}

# Key rotation: a manifest announces the next key, the next key takes over,
# and a replay of a manifest signed by the old key is refused.
case_signed_rotation() {
    signed_setup
    signed_folder rotate
    "$PUBLISH" -o "$WWW/rotate" --next-key "$KEYS/next.pub" \
        "$E2E_TMP/setup.sh" "$BASE/rotate/setup.sh" 1.0 "$KEYS/ours.key" >/dev/null ||
        e2e_fail "patchwell-publish --next-key failed"
    cp "$WWW/rotate/iupdate.ini" "$E2E_TMP/old.ini"
    cp "$WWW/rotate/iupdate.ini.minisig" "$E2E_TMP/old.ini.minisig"
    up_to_date
    [ "$(local_key nextpublickey)" = "$(tail -n 1 "$KEYS/next.pub")" ] || e2e_fail "next key not stored"
    [ "$(local_key publickey)" = "$(tail -n 1 "$KEYS/ours.pub")" ] || e2e_fail "key changed too early"

    e2e_log "the next key signs"
    publish rotate 1.0 next
    up_to_date
    [ "$(local_key publickey)" = "$(tail -n 1 "$KEYS/next.pub")" ] || e2e_fail "next key not taken over"
    grep -q '^nextpublickey=' "$APP/update.ini" && e2e_fail "nextpublickey not removed"

    e2e_log "a replay of the old key's manifest"
    cp "$E2E_TMP/old.ini" "$WWW/rotate/iupdate.ini"
    cp "$E2E_TMP/old.ini.minisig" "$WWW/rotate/iupdate.ini.minisig"
    refused_at_check "The update information was signed with another key."
}

# publish_installer FILE NAME VERSION [OPTIONS...]: FILE signed by our key as
# $BASE/NAME/setup.sh.
publish_installer() {
    local file=$1 name=$2 version=$3
    shift 3
    "$PUBLISH" -o "$WWW/$name" "$@" "$file" "$BASE/$name/setup.sh" "$version" "$KEYS/ours.key" \
        >/dev/null || e2e_fail "patchwell-publish failed"
}

# forged_offer NAME [KEY]: a manifest offering 3.0 at NAME, signed by KEY or
# not at all.
forged_offer() {
    printf '[Update]\ncurver=3.0\ncurverurl=%s\nsavefileas=setup.sh\n' "$BASE/$1/evil.sh" \
        >"$WWW/$1/iupdate.ini"
    printf '#!/bin/sh\ntouch "$2/owned"\n' >"$WWW/$1/evil.sh"
    rm -f "$WWW/$1/iupdate.ini.minisig"
    [ -z "${2:-}" ] || sign_manifest "$WWW/$1/iupdate.ini" "$2"
}

# forged_refused REASON: the forged offer is refused and nothing of it runs.
forged_refused() {
    e2e_start_patchwell
    e2e_expect_message "$(not_verified "$1")"
    e2e_patchwell_ended
    [ ! -e "$APP/owned" ] && [ ! -e "$APP/evil.sh" ] || e2e_fail "the forged installer came"
    [ "$(local_key publickey)" = "$(tail -n 1 "$KEYS/ours.pub")" ] || e2e_fail "publickey not restored"
}

# Once under a key, no later update.ini makes patchwell take an unsigned or
# otherwise-signed manifest: not after patchwell was killed while the
# installer dropped the key, not after something wrote another key once it ended.
# Only --forget-key ends it.
case_signed_trust() {
    signed_setup
    e2e_log "patchwell killed while its installer drops publickey"
    cat >"$E2E_TMP/dropping.sh" <<'SH'
#!/bin/sh
folder=$2
url=$(sed -n 's/^verchckurl=//p' "$folder/update.ini")
printf '[Program]\nPrgname=Sample Editor\nprgver=2.0\nexe=served.sh\n[Update]\nverchckurl=%s\n' "$url" >"$folder/update.ini"
touch "$folder/dropped"
n=0; while [ ! -e "$folder/release" ] && [ $n -lt 1200 ]; do sleep 0.05; n=$((n+1)); done
touch "$folder/installer-done"
SH
    publish_installer "$E2E_TMP/dropping.sh" killed 2.0
    signed_folder killed
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    e2e_click "$(e2e_wait_window '^Downloading Update$')" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    wait_for 20 test -e "$APP/dropped" || e2e_fail "installer did not run"
    kill -KILL "$E2E_PW_PID"
    e2e_patchwell_ended
    touch "$APP/release"
    wait_for 20 test -e "$APP/installer-done" || e2e_fail "installer did not end"
    grep -q '^publickey=' "$APP/update.ini" && e2e_fail "the installer kept the key"
    grep -qsx "folder=\"$APP\"" "$XDG_STATE_HOME"/patchwell/trust-* || e2e_fail "no signing state kept"
    forged_offer killed
    forged_refused "The update information has no signature."
    e2e_log "found again without the session's XDG_STATE_HOME (cron) and after the folder moved"
    sed -i '/^publickey=/d' "$APP/update.ini"
    XDG_STATE_HOME='' forged_refused "The update information has no signature."
    mv "$APP" "$APP moved"
    APP="$APP moved"
    sed -i '/^publickey=/d' "$APP/update.ini"
    forged_refused "The update information has no signature."

    # patchwell waits for the installer's whole tree, so what writes after
    # it ended is a program the installer left to the system (a service):
    # the test writes in its place.
    e2e_log "another key is written into update.ini after patchwell ended"
    cat >"$E2E_TMP/forking.sh" <<SH
#!/bin/sh
folder=\$2
printf '%s\n' "\$@" >"\$folder/installer-args.txt"
echo 2.0 >"\$folder/version.txt"
SH
    publish_installer "$E2E_TMP/forking.sh" forking 2.0
    signed_folder forking
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    e2e_click "$(e2e_wait_window '^Downloading Update$')" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    e2e_patchwell_ended
    [ -s "$APP/installer-args.txt" ] || e2e_fail "installer did not run"
    sed -i "s|^publickey=.*|publickey=$(tail -n 1 "$KEYS/theirs.pub")|" "$APP/update.ini"
    kill "$(cat "$APP/served.pid")" 2>/dev/null; rm -f "$APP/served.pid"
    forged_offer forking theirs
    forged_refused "The update information was signed with another key."

    e2e_log "--forget-key is the one way out"
    local said
    said=$(cd "$APP" && ./patchwell --forget-key) || e2e_fail "--forget-key failed"
    [ "$said" = "patchwell: the signing key of $APP is forgotten; its updates are no longer checked for signatures until update.ini names a key again." ] ||
        e2e_fail "--forget-key said '$said'"
    [ -z "$(local_key publickey)" ] || e2e_fail "the key stayed in update.ini"
    ! grep -qsx "folder=\"$APP\"" "$XDG_STATE_HOME"/patchwell/trust-* "$HOME"/.local/state/patchwell/trust-* ||
        e2e_fail "the signing state stayed"
    forged_offer forking
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    kill -TERM "$E2E_PW_PID"
    e2e_patchwell_ended
}

# A fresh install under a key is not taken back to an older version unless
# the publisher says so; the publisher's manifest expires by default.
case_signed_downgrade() {
    signed_setup
    e2e_log "the default expiry, none on request, no empty file name"
    publish_installer "$E2E_TMP/setup.sh" old 1.5
    local expires now
    expires=$(date -u -d "$(sed -n 's/^expires=//p' "$WWW/old/iupdate.ini")" +%s) ||
        e2e_fail "no expiry written"
    now=$(date -u +%s)
    [ $((expires - now)) -gt $((30 * 86400 - 600)) ] && [ $((expires - now)) -le $((30 * 86400)) ] ||
        e2e_fail "expires in $((expires - now)) s"
    publish_installer "$E2E_TMP/setup.sh" never 1.5 --no-expiry
    grep -q '^expires=' "$WWW/never/iupdate.ini" && e2e_fail "--no-expiry wrote an expiry"
    "$PUBLISH" -o "$WWW/dot" "$E2E_TMP/setup.sh" "$BASE/dot/." 1.5 "$KEYS/ours.key" 2>/dev/null &&
        e2e_fail "an address ending in /. was published"
    [ ! -e "$WWW/dot/iupdate.ini" ] || e2e_fail "a manifest was written for /."
    "$PUBLISH" -o "$WWW/dot" --notes "$E2E_TMP/setup.sh" "$BASE/dot/.." "$E2E_TMP/setup.sh" \
        "$BASE/dot/setup.sh" 1.5 "$KEYS/ours.key" 2>/dev/null &&
        e2e_fail "notes at an address ending in /.. were published"
    [ ! -e "$WWW/setup.sh" ] || e2e_fail "the notes were written outside the output folder"

    e2e_log "a fresh 2.0 offered the signed 1.5"
    signed_folder old
    sed -i 's/^prgver=.*/prgver=2.0/' "$APP/update.ini"
    e2e_start_patchwell
    e2e_expect_message "$(not_verified "The update information offers version 1.5, older than the installed 2.0.")"
    e2e_patchwell_ended
    [ ! -e "$APP/installer-args.txt" ] && [ ! -e "$APP/iupdate.ini" ] || e2e_fail "the downgrade went on"

    e2e_log "a rollback the publisher means"
    publish_installer "$E2E_TMP/setup.sh" old 1.5 --allow-downgrade
    grep -qx 'allowdowngrade=1' "$WWW/old/iupdate.ini" || e2e_fail "no allowdowngrade written"
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    e2e_click "$(e2e_wait_window '^Downloading Update$')" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    wait_for 20 test -s "$APP/installer-args.txt" || e2e_fail "the rollback's installer did not run"
    e2e_patchwell_ended
}
