#!/usr/bin/env bash
# Throughput and memory of patchwell-fetch against curl and against the floor
# on loopback.
#
# Serves a 512 MiB file of random bytes from a private nginx instance on
# 127.0.0.1 and downloads it into tmpfs with `curl -o`, with raw-fetch (the
# floor: read() into 1 MiB and write(), raw-fetch.c beside this script) and with
# `patchwell-fetch --quiet` at chunk sizes 1024 and 65536. The four runs of a
# round go in a rotating order, and each result is the median over the rounds
# of a run's wall time (and CPU time, user + system) divided by the floor's
# and by curl's in the same round: single timings on a shared machine swing
# too much to mean anything alone. Peak resident memory comes from
# /usr/bin/time (%M). Every output is compared with the served file.
#
# Usage: patchwell/bench/fetch-bench.sh [BUILD_DIR]     (default build/normal)
# Environment: ROUNDS (default 11), SIZES_MIB (default "512"),
#              WORK_DIR (default a new folder in /dev/shm).
set -euo pipefail
cd "$(dirname "$0")/../.."

build_dir=${1:-build/normal}
fetch_bin=$build_dir/patchwell/download/fetch/patchwell-fetch
rounds=${ROUNDS:-11}
sizes=${SIZES_MIB:-512}

if [ ! -x "$fetch_bin" ]; then
    echo "building patchwell-fetch in $build_dir" >&2
    cmake --build "$build_dir" -j2 --target patchwell-fetch >&2
fi
nginx_launcher=common/testing/nginx/pw-nginx.sh
for tool in curl /usr/bin/time python3 cmp cc; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

work=${WORK_DIR:-$(mktemp -d /dev/shm/fetch-bench.XXXXXX)}
mkdir -p "$work/www" "$work/out"
# nginx's worker runs as another user and must reach the served files.
chmod 755 "$work" "$work/www"
cleanup() {
    "$nginx_launcher" stop "$work/nginx" || true
    [ -n "${KEEP_WORK:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
raw_bin=$work/raw-fetch
cc -O2 -o "$raw_bin" patchwell/bench/raw-fetch.c

# Without access log lines, sending with sendfile.
port=$(PW_NGINX_ACCESS_LOG=off PW_NGINX_EXTRA="sendfile on; tcp_nopush on;" \
    "$nginx_launcher" start "$work/www" "$work/nginx")

printf x >"$work/www/one.bin"
for mib in $sizes; do
    head -c "$((mib * 1024 * 1024))" /dev/urandom >"$work/www/f$mib.bin"
done
first_url="http://127.0.0.1:$port/f${sizes%% *}.bin"
for _ in $(seq 1 100); do
    code=$(curl -s -o /dev/null -w '%{http_code}' -r 0-0 "$first_url" || true)
    [ "$code" = 206 ] && break
    sleep 0.1
done
if [ "$code" != 206 ]; then
    echo "nginx did not come up (answer: $code)" >&2
    tail -n 5 "$work/nginx/error.log" >&2 || true
    exit 1
fi

# run NAME URL OUT -> appends "seconds cpu-seconds kib" to $work/NAME.times;
# the wall time is taken with nanosecond resolution around the command, the
# CPU time (user + system) and the peak resident memory from /usr/bin/time.
run() {
    local name=$1 url=$2 out=$3
    local cmd
    case $name in
        curl) cmd=(curl -s -o "$out" "$url") ;;
        raw) cmd=("$raw_bin" 127.0.0.1 "$port" "/${url#http://*/}" "$out") ;;
        c1024) cmd=("$fetch_bin" --quiet --chunk 1024 "$url" "$out") ;;
        c65536) cmd=("$fetch_bin" --quiet --chunk 65536 "$url" "$out") ;;
    esac
    local start end usage
    start=$(date +%s%N)
    usage=$( { /usr/bin/time -f '%U %S %M' "${cmd[@]}" >/dev/null; } 2>&1 | tail -n 1)
    end=$(date +%s%N)
    read -r user sys kib <<<"$usage"
    echo "$(( (end - start) / 1000 ))e-6 $(python3 -c "print($user + $sys)") $kib" >>"$work/$name.times"
}

echo "load before: $(uptime)"
echo "patchwell-fetch: $fetch_bin"
echo "rounds: $rounds, files in tmpfs, nginx on 127.0.0.1:$port"
# The fixed cost of starting each program (libraries, set-up, one request),
# so that it can be told apart from throughput in the smaller file's figures.
rm -f "$work"/*.times
for r in $(seq 1 "$rounds"); do
    run curl "http://127.0.0.1:$port/one.bin" "$work/out/one-curl"
    run c1024 "http://127.0.0.1:$port/one.bin" "$work/out/one-fetch"
done
python3 - "$work" <<'PY'
import statistics, sys
work = sys.argv[1]
med = lambda name: statistics.median(float(l.split()[0]) for l in open(f"{work}/{name}.times"))
print(f"fixed cost (1-byte file, median): curl {med('curl') * 1000:.0f} ms, "
      f"patchwell-fetch {med('c1024') * 1000:.0f} ms")
PY

for mib in $sizes; do
    url="http://127.0.0.1:$port/f$mib.bin"
    rm -f "$work"/*.times
    for r in $(seq 1 "$rounds"); do
        order=(curl raw c1024 c65536)
        shift_by=$(( (r - 1) % 4 ))
        order=("${order[@]:$shift_by}" "${order[@]:0:$shift_by}")
        for name in "${order[@]}"; do
            run "$name" "$url" "$work/out/$name.bin"
            cmp -s "$work/out/$name.bin" "$work/www/f$mib.bin" || { echo "$name: output differs" >&2; exit 1; }
            rm -f "$work/out/$name.bin"
        done
    done
    python3 - "$work" "$mib" <<'PY'
import statistics, sys
work, mib = sys.argv[1], sys.argv[2]
def load(name):
    rows = [line.split() for line in open(f"{work}/{name}.times") if line.strip()]
    return [float(r[0]) for r in rows], [float(r[1]) for r in rows], [int(r[2]) for r in rows]
def ratio(a, b):
    rs = [x / y for x, y in zip(a, b) if y > 0]
    return f"{statistics.median(rs):.2f} ({min(rs):.2f}-{max(rs):.2f})"
base = {name: load(name) for name in ("raw", "curl")}
print(f"\n{mib} MiB file ({len(base['raw'][0])} rounds; medians of per-round ratios, (min-max))")
for name, label in (("raw", "raw read/write"), ("curl", "curl")):
    t, c, m = base[name]
    print(f"  {label:20} wall {statistics.median(t):6.3f} s  cpu {statistics.median(c):6.3f} s  "
          f"{int(mib) / statistics.median(t):7.1f} MiB/s  peak RSS {max(m) / 1024:6.1f} MiB")
for name, label in (("c65536", "fetch --chunk 65536"), ("c1024", "fetch --chunk 1024")):
    t, c, m = load(name)
    print(f"  {label:20} wall {statistics.median(t):6.3f} s  cpu {statistics.median(c):6.3f} s  "
          f"peak RSS {max(m) / 1024:6.1f} MiB")
    print(f"  {'':20} to raw:  wall {ratio(t, base['raw'][0])}  cpu {ratio(c, base['raw'][1])}")
    print(f"  {'':20} to curl: wall {ratio(t, base['curl'][0])}  cpu {ratio(c, base['curl'][1])}")
PY
done
echo "load after: $(uptime)"
