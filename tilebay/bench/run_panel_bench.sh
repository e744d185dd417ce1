#!/usr/bin/env bash
# Benchmark of the tilebay panel in a private X session (pw-x-session: Xvfb
# + openbox): 2,000 desktop items of 20 kinds, then load time, peak memory,
# idle CPU with the folder watches set, reveal latency and the time from a
# file's creation to its row, as measured by tilebay-panel-bench; then 2,000
# launchers (each an image of its own, so 100 s of the load's pauses): their
# load time and how soon a SIGTERM during that load ends tilebay.
# The case "wayland" measures tilebay's resident memory and idle CPU over 10 s
# as a layer surface of headless sway (pw-x-session --wayland) instead.
#   tilebay/bench/run_panel_bench.sh BUILD_DIR [items|launchers|wayland]   (e.g. build/normal)
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
if [ -z "${PW_X_SESSION:-}" ]; then
    session=()
    [ "${2:-}" != wayland ] || session=(--wayland)
    exec "$build/common/testing/desktop/pw-x-session" "${session[@]}" -- bash "$0" "$@"
fi
app="$build/tilebay/app"
bench="$build/tilebay/bench/tilebay-panel-bench"
work=$(mktemp -d /tmp/tilebay-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/prog/styles/Bench" "$work/home/Desktop" "$work/share/tilebay/Desktop" "$work/run"
chmod 700 "$work/run"
# TILEBAY_BENCH_BINARY: another tilebay to measure (an older build, say).
cp "${TILEBAY_BENCH_BINARY:-$app/tilebay}" "$work/prog/tilebay"
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
run_bench() {
    env HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
        XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
        XDG_DATA_DIRS="$work/share:/usr/share" DBUS_SESSION_BUS_ADDRESS=disabled: \
        "$bench" "$work/prog/tilebay" "$@"
}
case=${2:-all}
if [ "$case" = all ] || [ "$case" = items ]; then
    kinds=(txt png jpg pdf html xml json csv zip tar gz mp3 ogg c cpp py md css js svg)
    for kind in "${kinds[@]}"; do
        for i in $(seq 1 100); do
            echo "$kind $i" > "$work/home/Desktop/item$i.$kind"
        done
    done
    echo "2000 items of ${#kinds[@]} kinds on $DISPLAY"
    run_bench "${#kinds[@]}" "$work/home/Desktop"
    rm -f "$work/home/Desktop"/*
fi
# cpu_ticks PID: utime + stime of a process, fields 14 and 15 of its stat line.
cpu_ticks() {
    local stat
    stat=$(cat "/proc/$1/stat")
    stat=${stat##*) }
    read -r -a fields <<<"$stat"
    echo $((fields[11] + fields[12]))
}
if [ "$case" = wayland ]; then
    for i in $(seq 1 20); do echo "item $i" > "$work/home/Desktop/item$i.txt"; done
    # tilebay chooses its platform itself: with the build's layer-shell module, its panel is a
    # layer surface on the first output.
    printf '[OPTIONS]\nscreen=HEADLESS-1\n' > "$work/prog/options.ini"
    env -u QT_QPA_PLATFORM QT_PLUGIN_PATH="$build/plugins" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
        XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
        DBUS_SESSION_BUS_ADDRESS=disabled: "$work/prog/tilebay" >"$work/tilebay.log" 2>&1 &
    pid=$!
    # Settled once a second passes without CPU time (at most 30 s).
    last=-1
    for _ in $(seq 1 30); do
        kill -0 "$pid" 2>/dev/null || { echo "tilebay ended:" >&2; tail "$work/tilebay.log" >&2; exit 1; }
        now=$(cpu_ticks "$pid")
        [ "$now" != "$last" ] || break
        last=$now
        sleep 1
    done
    before=$(cpu_ticks "$pid")
    sleep 10  # the measured window itself
    after=$(cpu_ticks "$pid")
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
    kill -TERM "$pid"
    wait "$pid" || true
    python3 -c "import sys; t, b, a, r = map(int, sys.argv[1:]); \
print(f'wayland (layer shell): RSS {r / 1024:.1f} MiB, idle CPU {100 * (a - b) / t / 10:.2f} % over 10 s')" \
        "$(getconf CLK_TCK)" "$before" "$after" "$rss"
fi
if [ "$case" = all ] || [ "$case" = launchers ]; then
    # Trusted launchers (executable, ours) naming a few theme icons, as
    # application launchers do.
    icons=(utilities-terminal text-editor web-browser accessories-calculator system-file-manager)
    for i in $(seq 1 2000); do
        printf '[Desktop Entry]\nType=Application\nName=App %s\nExec=true %s\nIcon=%s\n' \
            "$i" "$i" "${icons[i % ${#icons[@]}]}" > "$work/home/Desktop/app$i.desktop"
    done
    chmod 700 "$work/home/Desktop"/*.desktop
    echo "2000 launchers on $DISPLAY"
    run_bench 2000 "$work/home/Desktop" --load-only
fi
