#!/usr/bin/env bash
# Starts two instances side by side, checks plain and rate-limited answers and
# that stopping leaves no nginx of ours running.
set -euo pipefail
launcher=$1
tmp=$(mktemp -d)
pids=()
cleanup() {
    "$launcher" stop "$tmp/a" || true
    "$launcher" stop "$tmp/b" || true
    rm -rf "$tmp"
}
trap cleanup EXIT

mkdir -p "$tmp/root"
echo hello >"$tmp/root/hello.txt"
head -c 40000 /dev/urandom >"$tmp/root/blob.bin"

port_a=$("$launcher" start "$tmp/root" "$tmp/a" 20k)
port_b=$("$launcher" start "$tmp/root" "$tmp/b")
[ "$port_a" != "$port_b" ] || { echo "same port twice"; exit 1; }
pids+=("$(cat "$tmp/a/nginx.pid")" "$(cat "$tmp/b/nginx.pid")")

body=$(curl -sf "http://127.0.0.1:$port_a/hello.txt")
[ "$body" = hello ] || { echo "unexpected body: $body"; exit 1; }
headers=$(curl -sfI "http://127.0.0.1:$port_b/blob.bin")
echo "$headers" | grep -qi '^Content-Length: 40000' || { echo "no length: $headers"; exit 1; }
echo "$headers" | head -1 | grep -q 'HTTP/1.1 200' || { echo "status: $headers"; exit 1; }
curl -sf "http://127.0.0.1:$port_b/missing" >/dev/null && { echo "missing file served"; exit 1; }

# 40000 bytes at 20 kB/s take about two seconds under /slow/, much less without.
start=$(date +%s%N)
curl -sf "http://127.0.0.1:$port_a/slow/blob.bin" -o "$tmp/slow.bin"
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
cmp -s "$tmp/slow.bin" "$tmp/root/blob.bin" || { echo "slow body differs"; exit 1; }
[ "$elapsed_ms" -ge 1000 ] || { echo "not rate limited: ${elapsed_ms} ms"; exit 1; }

"$launcher" stop "$tmp/a"
"$launcher" stop "$tmp/b"
for pid in "${pids[@]}"; do
    if kill -0 "$pid" 2>/dev/null; then echo "nginx $pid still running"; exit 1; fi
done
echo "ok: ports $port_a $port_b, slow fetch ${elapsed_ms} ms"
