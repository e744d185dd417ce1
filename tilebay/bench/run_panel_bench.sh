#!/usr/bin/env bash
# Benchmark of the tilebay panel on a private X display (Xvfb + openbox):
# 2,000 desktop items of 20 kinds, then load time, peak memory, idle CPU with
# the folder watches set, reveal latency and the time from a file's creation
# to its row, as measured by tilebay-panel-bench.
#   tilebay/bench/run_panel_bench.sh BUILD_DIR      (e.g. build/normal)
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
app="$build/tilebay/app"
bench="$build/tilebay/bench/tilebay-panel-bench"
work=$(mktemp -d /tmp/tilebay-bench.XXXXXX)
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/prog/styles/Bench" "$work/home/Desktop" "$work/share/tilebay/Desktop" "$work/run"
chmod 700 "$work/run"
cp "$app/tilebay" "$work/prog/"
cat > "$work/prog/styles/Bench/style.ini" <<'INI'
[COLOUR]
fontcolourred=255
fontcolourgreen=255
fontcolourblue=255
bgcolourred=20
bgcolourgreen=40
bgcolourblue=90
bordercolourred=90
bordercolourgreen=140
bordercolourblue=220
[SIZE]
boxheight=4215
[EFFECT]
transparent=255
[POSITION]
top=1
[FONT]
fontname=DejaVu Sans
[NAME]
stylename=Bench
INI
printf '[STYLE]\nstylename=\\Bench\n' > "$work/prog/styleloader.ini"
kinds=(txt png jpg pdf html xml json csv zip tar gz mp3 ogg c cpp py md css js svg)
for kind in "${kinds[@]}"; do
    for i in $(seq 1 100); do
        echo "$kind $i" > "$work/home/Desktop/item$i.$kind"
    done
done

display=:$((200 + RANDOM % 300))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do
    DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
    sleep 0.05
done
DISPLAY=$display HOME=$work/home openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

echo "2000 items of ${#kinds[@]} kinds on $display"
env DISPLAY="$display" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
    XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_DATA_DIRS="$work/share:/usr/share" DBUS_SESSION_BUS_ADDRESS=disabled: \
    "$bench" "$work/prog/tilebay" "${#kinds[@]}" "$work/home/Desktop"
