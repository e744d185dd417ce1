#!/usr/bin/env bash
# Benchmark of the tilebay panel in a private X session (pw-x-session: Xvfb
# + openbox): 2,000 desktop items of 20 kinds, then load time, peak memory,
# idle CPU with the folder watches set, reveal latency and the time from a
# file's creation to its row, as measured by tilebay-panel-bench.
#   tilebay/bench/run_panel_bench.sh BUILD_DIR      (e.g. build/normal)
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
if [ -z "${PW_X_SESSION:-}" ]; then
    exec "$build/common/testing/desktop/pw-x-session" -- bash "$0" "$@"
fi
app="$build/tilebay/app"
bench="$build/tilebay/bench/tilebay-panel-bench"
work=$(mktemp -d /tmp/tilebay-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

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

echo "2000 items of ${#kinds[@]} kinds on $DISPLAY"
env HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
    XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_DATA_DIRS="$work/share:/usr/share" DBUS_SESSION_BUS_ADDRESS=disabled: \
    "$bench" "$work/prog/tilebay" "${#kinds[@]}" "$work/home/Desktop"
