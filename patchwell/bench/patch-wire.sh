#!/usr/bin/env bash
# Bytes on the wire for one whole update by patchwell, three ways: the full
# installer, the compressed full download, and the patch from the installer
# that ran before. The installers are two real builds of one Debian package
# (by default git 2.39.5-0+deb12u2 and +deb12u3, fetched with
# `apt-get download`), each packed as a patch-friendly installer
# (release_pair.sh beside this script). patchwell-publish signs each release; patchwell runs
# under a private X session and is clicked through like a user would, against
# a private nginx on loopback whose access log gives each request's body
# bytes and all bytes sent (headers too). Figures, not a timed test.
#
# Usage: patchwell/bench/patch-wire.sh [BUILD_DIR]     (default build/normal)
# Environment: PACKAGE (default git), OLD_VERSION and NEW_VERSION (default the
#              two builds above; when either is not in the archive, the two
#              newest builds `apt-cache madison` lists), DEB_DIR (a folder
#              holding the two .deb files already), KEEP_WORK=1 keeps the work
#              folder.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "${1:-build/normal}")
export PATCHWELL=$build/patchwell/update/app/patchwell
export PUBLISH=$build/patchwell/signing/patchwell-publish
session=$build/common/testing/desktop/pw-x-session
export NGINX_LAUNCHER=$PWD/common/testing/nginx/pw-nginx.sh
for tool in "$PATCHWELL" "$PUBLISH" "$session" "$(dirname "$PUBLISH")/patchwell-delta"; do
    [ -x "$tool" ] || { echo "missing: $tool (scripts/build.sh normal patchwell patchwell_verify patchwell_delta pw-x-session)" >&2; exit 1; }
done
for tool in apt-get apt-cache dpkg-deb minisign tar realpath; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
if [ -z "${PW_X_SESSION:-}" ]; then
    exec "$session" --size 1280x800 -- bash "$0" "$@"
fi
source patchwell/update/e2e/e2e_lib.sh

e2e_init
[ -z "${KEEP_WORK:-}" ] || trap 'e2e_cleanup; echo "work folder kept: $E2E_TMP"' EXIT
package=${PACKAGE:-git}
# shellcheck source=release_pair.sh
source patchwell/bench/release_pair.sh
debs=$(realpath "${DEB_DIR:-$E2E_TMP}")
cd "$E2E_TMP"
release_pair "$package" "${OLD_VERSION:-1:2.39.5-0+deb12u2}" "${NEW_VERSION:-1:2.39.5-0+deb12u3}" "$debs"
old=$OLD_VERSION new=$NEW_VERSION
old_setup=$E2E_TMP/setup0.sh new_setup=$E2E_TMP/setup1.sh

export PW_NGINX_LOG_BYTES=1
WWW=$E2E_TMP/www
mkdir -p "$WWW"
chmod 755 "$E2E_TMP" "$WWW"
e2e_start_nginx "$WWW"
BASE="http://127.0.0.1:$E2E_PORT"
e2e_require_session
minisign -G -W -f -p "$E2E_TMP/k.pub" -s "$E2E_TMP/k.key" >/dev/null

# publish NAME INSTALLER VERSION [OPTION ...]: a release at $BASE/NAME/.
publish() {
    local name=$1 installer=$2 version=$3
    shift 3
    local start=$SECONDS
    "$PUBLISH" -o "$WWW/$name" "$@" "$installer" "$BASE/$name/setup.sh" "$version" \
        "$E2E_TMP/k.key" >/dev/null
    echo "published $name $version in $((SECONDS - start)) s"
}

# update FOLDER NAME TREE: patchwell in FOLDER updates from
# $BASE/NAME/iupdate.ini and unpacks TREE's files there; prints the requests'
# body bytes and all bytes sent, and the seconds from Start Update to the end.
update() {
    local folder=$1 name=$2 tree=$3 mark start
    [ -d "$folder" ] || {
        e2e_program_folder "$folder"
        e2e_local_manifest 0.9 "$BASE/$name/iupdate.ini"
        echo "publickey=$(tail -n 1 "$E2E_TMP/k.pub")" >>"$APP/update.ini"
    }
    APP=$folder
    # Each folder's own kept installers and manifest cache.
    export XDG_STATE_HOME="$folder.state" E2E_CACHE="$folder.cache"
    mark=$(($(wc -l <"$E2E_NGINX_WORK/access.log") + 1))
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    local win
    win=$(e2e_wait_window '^Downloading Update$')
    start=$(date +%s%N)
    e2e_click "$win" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
    wait_for 600 e2e_not_running "$E2E_PW_PID" || e2e_fail "patchwell did not end"
    local took=$((($(date +%s%N) - start) / 1000000))
    diff -rq --no-dereference "$tree/usr" "$APP/usr" >/dev/null || e2e_fail "$tree was not installed in $APP"
    kill "$(cat "$APP/served.pid")" 2>/dev/null && rm -f "$APP/served.pid"
    tail -n "+$mark" "$E2E_NGINX_WORK/access.log" | awk -v took="$took" '
        { body += $10; match($0, /sent=[0-9]+/); sent += substr($0, RSTART + 5, RLENGTH - 5)
          split($7, p, "/"); files = files " " p[length(p)] "(" $9 ")" }
        END { printf "%d %d %.2f%s\n", body, sent, took / 1000, files }'
}

size() { stat -c %s "$1"; }
publish full "$new_setup" 2.0
publish patched "$old_setup" 1.0
programs=$E2E_TMP/programs
base_run=$(update "$programs/patched" patched "$E2E_TMP/tree0")
publish patched "$new_setup" 2.0 --delta-from "$old_setup" --compress
patch=$(echo "$WWW"/patched/setup.sh.from-*.zstpatch)

full_run=$(update "$programs/full" full "$E2E_TMP/tree1")
patch_run=$(update "$programs/patched" patched "$E2E_TMP/tree1")
zst_run=$(update "$programs/compressed" patched "$E2E_TMP/tree1")

installer=$(size "$new_setup")
pct() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f %%", 100 * a / b }'; }
echo
echo "$package $old -> $new; installer $installer B (tar behind a shell header)"
echo "compressed full download: $(size "$WWW/patched/setup.sh.zst") B ($(pct "$(size "$WWW/patched/setup.sh.zst")" "$installer") of the installer)"
echo "patch: $(size "$patch") B ($(pct "$(size "$patch")" "$installer") of the installer," \
    "$(pct "$(size "$patch")" "$(size "$WWW/patched/setup.sh.zst")") of the compressed one)"
echo
printf '%-22s %12s %12s %9s  %s\n' "one update" "body bytes" "bytes sent" "seconds" "requests (status)"
row() {
    local label=$1 body sent took files
    read -r body sent took files <<<"$2"
    printf '%-22s %12s %12s %9s  %s\n' "$label" "$body" "$sent" "$took" "$files"
}
row "full installer" "$full_run"
row "compressed full" "$zst_run"
row "patch from 1.0" "$patch_run"
row "(to 1.0, the base)" "$base_run"
read -r full_body _ <<<"$full_run"
read -r patch_body _ <<<"$patch_run"
echo "the patched update moves $(pct "$patch_body" "$full_body") of the full update's body bytes"
