#!/usr/bin/env bash
# Start-up cost of autoupdate=1, in a private X session (pw-x-session) against
# a private nginx on loopback: the time from the exec of patchwell to the
# exec of the served program, median of ROUNDS starts per scene, beside the
# served program started directly and a quiet start that finds the program up
# to date, in the same run.
#   patchwell/bench/staged-bench.sh BUILD_DIR [ROUNDS]      (e.g. build/normal 20)
# Scenes: within checkhours, and so with autoupdate=1 and nothing staged (the
# front's one look for a staged file); quiet and up to date (signed, fetched
# whole); autoupdate=1 finding
# an update (signed, fetched whole; the background download is started and
# let finish before the next round, whose staged files are removed first);
# autoupdate=1 installing the update staged by the start before (the
# installation window and an installer that exits at once), beside that
# installer run directly. Then the share of the processor that a CPU-bound
# program keeps while the background download of a 100 MiB installer runs
# beside it, both on one processor (taskset -c 0): its time alone and beside
# the download, which is started by the start before it.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
rounds=${2:-20}
if [ -z "${PW_X_SESSION:-}" ]; then
    exec "$build/common/testing/desktop/pw-x-session" -- bash "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
nginx_launcher="$here/../../common/testing/nginx/pw-nginx.sh"
work=$(mktemp -d /tmp/patchwell-bench.XXXXXX)
cleanup() {
    "$nginx_launcher" stop "$work/nginx" || true
    rm -rf "$work"
}
trap cleanup EXIT
# PW_BENCH_KEEP=1: the folders stay for a closer look.
[ -z "${PW_BENCH_KEEP:-}" ] || trap - EXIT

mkdir -p "$work/www" "$work/keys"
minisign -G -W -f -p "$work/keys/k.pub" -s "$work/keys/k.key" >/dev/null
printf '#!/bin/sh\nexit 0\n' >"$work/setup.sh"
{
    printf '#!/bin/sh\nexit 0\n'
    head -c $((100 << 20)) /dev/zero
} >"$work/big.sh"
port=$("$nginx_launcher" start "$work/www" "$work/nginx")
base="http://127.0.0.1:$port"
publish() {
    "$build/patchwell/signing/patchwell-publish" -o "$work/www/$1" "$work/${3:-setup.sh}" \
        "$base/$1/setup.sh" "$2" "$work/keys/k.key" >/dev/null
}
publish current 1.0
publish newer 2.0
publish big 2.0 big.sh

export OWN_FOLDERS=1
# shellcheck source=start_lib.sh
source "$here/start_lib.sh"

median() { sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1000 }'; }

# The background download of APP ended (its lock free, nothing running).
stage_running() { pgrep -f -- "^$1/patchwell --stage" >/dev/null; }
staged() { compgen -G "$1.state/patchwell/staged-*/installer" >/dev/null; }
settle() {
    local n=0
    while stage_running "$1" && [ $n -lt 2000 ]; do sleep 0.01; n=$((n + 1)); done
}

# Before each start of a scene.
fresh() { rm -rf "$1.cache"; }
find_again() {
    settle "$1"
    rm -rf "$1.cache" "$1.state/patchwell"/staged-*
}
stage_one() {
    settle "$1"
    rm -rf "$1.state/patchwell"/staged-*
    start "$1" ./patchwell >/dev/null
    local n=0
    while ! staged "$1" && [ $n -lt 2000 ]; do sleep 0.01; n=$((n + 1)); done
    staged "$1" || { echo "nothing was staged in $1" >&2; exit 1; }
    settle "$1"
}

# scene APP PREPARE: ROUNDS starts of patchwell, PREPARE before each.
scene() {
    local app=$1 prepare=$2
    for _ in $(seq 1 "$rounds"); do
        $prepare "$app"
        start "$app" ./patchwell
    done | median
}

folder direct "$base/current/iupdate.ini"
now=$(date -u +%Y-%m-%dT%H:%M:%SZ)
folder schedule "$base/current/iupdate.ini" quiet=1 checkhours=24 "lastcheck=$now"
folder schedstaged "$base/current/iupdate.ini" autoupdate=1 checkhours=24 "lastcheck=$now"
folder uptodate "$base/current/iupdate.ini" quiet=1
folder finds "$base/newer/iupdate.ini" autoupdate=1
folder installs "$base/newer/iupdate.ini" autoupdate=1
cp "$work/setup.sh" "$work/direct/setup.sh"
chmod +x "$work/direct/setup.sh"

direct=$(for _ in $(seq 1 "$rounds"); do start "$work/direct" ./served.sh; done | median)
installer=$(for _ in $(seq 1 "$rounds"); do
    start "$work/direct" sh -c './setup.sh /auto "$PWD" && exec ./served.sh'
done | median)
echo "median of $rounds starts, ms from exec to the served program's exec:"
printf '  %-52s %8s\n' "served program started directly" "$direct"
printf '  %-52s %8s\n' "within checkhours" "$(scene "$work/schedule" :)"
printf '  %-52s %8s\n' "within checkhours, autoupdate=1, nothing staged" "$(scene "$work/schedstaged" :)"
printf '  %-52s %8s\n' "quiet, up to date (200, signed)" "$(scene "$work/uptodate" fresh)"
printf '  %-52s %8s\n' "autoupdate=1, finds an update (200, signed)" "$(scene "$work/finds" find_again)"
printf '  %-52s %8s\n' "the installer run directly, then the program" "$installer"
printf '  %-52s %8s\n' "autoupdate=1, installs the staged update" "$(scene "$work/installs" stage_one)"

# The CPU-bound program: SHA-256 of 2 GiB of zeros, on processor 0.
cpu_job() {
    local t0
    t0=$(date +%s%N)
    head -c $((2 << 30)) /dev/zero | sha256sum >/dev/null
    echo $((($(date +%s%N) - t0) / 1000000))
}
folder bulk "$base/big/iupdate.ini" autoupdate=1
alone=$(taskset -c 0 bash -c "$(declare -f cpu_job); cpu_job")
t0=$(date +%s%N)
(cd "$work/bulk" && XDG_CACHE_HOME="$work/bulk.cache" XDG_STATE_HOME="$work/bulk.state" \
    exec taskset -c 0 ./patchwell) >>"$work/run.log" 2>&1
beside=$(taskset -c 0 bash -c "$(declare -f cpu_job); cpu_job")
running=no
stage_running "$work/bulk" && running=yes
settle "$work/bulk"
staged "$work/bulk" || { echo "the 100 MiB update was not staged" >&2; exit 1; }
echo "a CPU-bound program (SHA-256 of 2 GiB) on one processor: alone $alone ms, beside the"
echo "  background download of 100 MiB $beside ms ($(awk -v a="$alone" -v b="$beside" 'BEGIN { printf "%.1f", 100 * a / b }') % of its speed;"
echo "  the download still running at its end: $running; staged $((($(date +%s%N) - t0) / 1000000)) ms after the start)"
