# shellcheck shell=bash disable=SC2154
# What the start benchmarks share: program folders at 1.0 whose served
# program notes when it was started, and the time from the exec of a command
# in such a folder to the served program's start. Needs $build, $work and
# the key $work/keys/k.pub. With OWN_FOLDERS=1 each program folder has state
# and cache folders of its own.

# The served program notes the time it was started and ends.
served='#!/bin/sh
date +%s%N >"$(dirname "$0")/started"'

# folder NAME URL [LINE ...]: a program folder at 1.0, LINEs added to [Update].
folder() {
    local app="$work/$1" url=$2
    shift 2
    mkdir -p "$app"
    cp "$build/patchwell/update/app/patchwell" "$app/"
    cp -r "$build/patchwell/update/app/translations" "$app/"
    printf '%s\n' "$served" >"$app/served.sh"
    chmod +x "$app/served.sh"
    {
        printf '[Program]\nPrgname=Bench\nprgver=1.0\nexe=served.sh\n[Update]\nverchckurl=%s\n' "$url"
        printf 'publickey=%s\n' "$(tail -n 1 "$work/keys/k.pub")"
        printf '%s\n' "$@"
    } >"$app/update.ini"
}

# start APP COMMAND...: ms from just before the exec to the served start.
start() {
    local app=$1
    shift
    rm -f "$app/started"
    local t0
    t0=$(date +%s%N)
    if [ "${OWN_FOLDERS:-}" = 1 ]; then
        (cd "$app" && XDG_CACHE_HOME="$app.cache" XDG_STATE_HOME="$app.state" exec "$@") \
            >>"$work/run.log" 2>&1
    else
        (cd "$app" && exec "$@") >>"$work/run.log" 2>&1
    fi
    while [ ! -s "$app/started" ]; do sleep 0.001; done
    echo $((($(cat "$app/started") - t0) / 1000))
}
