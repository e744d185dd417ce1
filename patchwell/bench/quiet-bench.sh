#!/usr/bin/env bash
# Start-up cost of patchwell's quiet check, in a private X session
# (pw-x-session: Xvfb + openbox) against a private nginx on loopback: the time
# from the exec of patchwell to the exec of the served program, median of
# ROUNDS starts per scene, beside the served program started directly in the
# same run; and the bytes on the wire of one check answered 200 and 304.
#   patchwell/bench/quiet-bench.sh BUILD_DIR [ROUNDS]      (e.g. build/normal 20)
# Scenes: within checkhours; quiet and up to date (a signed manifest fetched
# whole, the cache emptied before each start); quiet with a 304 (the cache
# kept); quiet with the port refused; quiet with a server that accepts the
# connection and never answers, checkseconds=2.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
rounds=${2:-20}
if [ -z "${PW_X_SESSION:-}" ]; then
    exec "$build/common/testing/desktop/pw-x-session" -- bash "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
nginx_launcher="$here/../../common/testing/nginx/pw-nginx.sh"
work=$(mktemp -d /tmp/patchwell-bench.XXXXXX)
silent_pid=
cleanup() {
    [ -z "$silent_pid" ] || kill "$silent_pid" 2>/dev/null || true
    "$nginx_launcher" stop "$work/nginx" || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www" "$work/keys"
minisign -G -W -f -p "$work/keys/k.pub" -s "$work/keys/k.key" >/dev/null
printf '#!/bin/sh\nexit 0\n' >"$work/setup.sh"
port=$(PW_NGINX_LOG_BYTES=1 "$nginx_launcher" start "$work/www" "$work/nginx")
base="http://127.0.0.1:$port"
"$build/patchwell/signing/patchwell-publish" -o "$work/www" --expires 30 "$work/setup.sh" "$base/setup.sh" 1.0 \
    "$work/keys/k.key" >/dev/null
python3 -c 'import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(64)
print(s.getsockname()[1], flush=True)
time.sleep(100000)' >"$work/silent.port" &
silent_pid=$!
refused=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
while [ ! -s "$work/silent.port" ]; do sleep 0.05; done

# shellcheck source=start_lib.sh
source "$here/start_lib.sh"

median() { sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f", m / 1000 }'; }

# scene NAME PREPARE APP: ROUNDS starts of patchwell, PREPARE before each.
scene() {
    local name=$1 prepare=$2 app=$3 i
    for i in $(seq 1 "$rounds"); do
        $prepare "$app"
        XDG_CACHE_HOME="$app/../cache-$name" start "$app" ./patchwell
    done | median
}
nothing() { :; }
fresh_cache() { rm -rf "$1/../cache-uptodate"; }

folder direct "$base/iupdate.ini"
folder schedule "$base/iupdate.ini" quiet=1 checkhours=24 "lastcheck=$(date -u +%Y-%m-%dT%H:%M:%SZ)"
folder uptodate "$base/iupdate.ini" quiet=1
folder notmodified "$base/iupdate.ini" quiet=1
folder refused "http://127.0.0.1:$refused/iupdate.ini" quiet=1
folder silent "http://127.0.0.1:$(cat "$work/silent.port")/iupdate.ini" quiet=1 checkseconds=2
# The 304 scene starts from a filled cache.
XDG_CACHE_HOME="$work/cache-notmodified" start "$work/notmodified" ./patchwell >/dev/null

direct=$(for _ in $(seq 1 "$rounds"); do start "$work/direct" ./served.sh; done | median)
echo "median of $rounds starts, ms from exec to the served program's exec:"
printf '  %-44s %8s\n' "served program started directly" "$direct"
printf '  %-44s %8s\n' "within checkhours" "$(scene schedule nothing "$work/schedule")"
printf '  %-44s %8s\n' "quiet, up to date (200, signed)" "$(scene uptodate fresh_cache "$work/uptodate")"
printf '  %-44s %8s\n' "quiet, a 304 from the cache" "$(scene notmodified nothing "$work/notmodified")"
printf '  %-44s %8s\n' "quiet, the port refused" "$(scene refused nothing "$work/refused")"
printf '  %-44s %8s\n' "quiet, no answer, checkseconds=2" "$(scene silent nothing "$work/silent")"

# Bytes on the wire of the last request whose log line holds PATTERN
# (sent + received).
wire() {
    grep -F "$1" "$work/nginx/access.log" | tail -n 1 |
        sed -n 's/.*sent=\([0-9]*\) received=\([0-9]*\).*/\1 \2/p' | awk '{ print $1 + $2 }'
}
fetched=$(($(wire '"GET /iupdate.ini HTTP/1.1" 200') + $(wire '"GET /iupdate.ini.minisig HTTP/1.1" 200')))
echo "bytes on the wire per check (both directions): 200 with signature $fetched, 304 $(wire '"GET /iupdate.ini HTTP/1.1" 304')"
