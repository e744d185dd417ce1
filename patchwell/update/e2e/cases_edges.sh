#!/usr/bin/env bash
# End-to-end tests of patchwell at the edges of its world: the installer's
# end, links and folders it must not write through, a folder it cannot write,
# mirrors and proxies. Real parts as in run_e2e.sh, and its command line:
#
#   pw-x-session --size 1280x800 -- \
#       bash cases_edges.sh CASE PATCHWELL NGINX_LAUNCHER [PATCHWELL_PUBLISH]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e_lib.sh
source "$here/e2e_lib.sh"
e2e_args "$@"

# edge_installer FILE [BODY]: an installer that records its arguments, runs
# BODY, and installs version 2.0.
edge_installer() {
    cat >"$1" <<SH
#!/bin/sh
folder=\$2
printf '%s\n' "\$@" >"\$folder/installer-args.txt"
${2:-}
echo "2.0" >"\$folder/version.txt"
sed -i 's/^prgver=.*/prgver=2.0/' "\$folder/update.ini"
SH
}

# edge_manifest FILE VERSION URL SAVENAME [EXTRA LINES]
edge_manifest() {
    printf '[Update]\ncurver=%s\ncurverurl=%s\nsavefileas=%s\n%s' "$2" "$3" "$4" "${5:-}" >"$1"
}

edge_setup() {
    e2e_serve
    PARENT="$E2E_TMP/programs"
}

# edge_folder NAME: a program folder at version 1.0 whose manifest is
# $BASE/NAME/iupdate.ini.
edge_folder() {
    e2e_program_folder "$PARENT/$1"
    mkdir -p "$WWW/$1"
    e2e_local_manifest 1.0 "$BASE/$1/iupdate.ini"
}


# Starts patchwell on the folder and the download of the offered update.
edge_start_update() {
    e2e_start_patchwell
    e2e_expect_message "An update has been found"
    DL_WIN=$(e2e_wait_window '^Downloading Update$')
    e2e_click "$DL_WIN" "$START_X" "$BUTTONS_Y" "$UPDL_WIDTH"
}


# The installer runs to its end before its file goes and the served program
# starts; one that fails is reported and the old program starts.
case_installer() {
    edge_setup
    e2e_log "a long installer is waited for"
    edge_folder long
    edge_installer "$WWW/long/setup.sh" 'touch "$folder/running"
n=0; while [ ! -e "$folder/release" ] && [ $n -lt 1200 ]; do sleep 0.05; n=$((n+1)); done'
    edge_manifest "$WWW/long/iupdate.ini" 2.0 "$BASE/long/setup.sh" setup.sh
    edge_start_update
    wait_for 20 test -e "$APP/running" || e2e_fail "installer did not run"
    local extract
    extract=$(e2e_wait_window '^Installing Latest version$')
    # The window is served meanwhile: it answers the window manager.
    e2e_activate "$extract" || e2e_fail "installation window does not answer"
    e2e_running "$E2E_PW_PID" || e2e_fail "patchwell ended under the installer"
    [ -e "$APP/setup.sh" ] || e2e_fail "installer deleted while it runs"
    [ ! -e "$APP/served.pid" ] || e2e_fail "served program started while the installer runs"
    touch "$APP/release"
    e2e_patchwell_ended
    wait_for 10 e2e_served_runs 2.0 || e2e_fail "served program 2.0 not running"
    [ ! -e "$APP/setup.sh" ] && [ ! -e "$APP/iupdate.ini" ] || e2e_fail "files left behind"

    e2e_log "a forking installer's child is waited for"
    edge_folder forking
    edge_installer "$WWW/forking/setup.sh" '( setsid sh -c '"'"'touch "$1/child-running"
n=0; while [ ! -e "$1/release" ] && [ $n -lt 1200 ]; do sleep 0.05; n=$((n+1)); done
touch "$1/child-done"'"'"' sh "$folder" & )'
    edge_manifest "$WWW/forking/iupdate.ini" 2.0 "$BASE/forking/setup.sh" setup.sh
    edge_start_update
    wait_for 20 test -e "$APP/child-running" || e2e_fail "the installer's child did not run"
    sleep 1
    e2e_running "$E2E_PW_PID" || e2e_fail "patchwell ended under the installer's child"
    [ ! -e "$APP/served.pid" ] || e2e_fail "served program started while the installer's child runs"
    touch "$APP/release"
    e2e_patchwell_ended
    wait_for 10 e2e_served_runs 2.0 || e2e_fail "served program 2.0 not running"
    [ -e "$APP/child-done" ] || e2e_fail "the installer's child had not ended"

    e2e_log "a failing installer is reported"
    edge_folder failing
    edge_installer "$WWW/failing/setup.sh" 'exit 3'
    edge_manifest "$WWW/failing/iupdate.ini" 2.0 "$BASE/failing/setup.sh" setup.sh
    edge_start_update
    e2e_expect_message "The installer $APP/setup.sh failed (exit status 3), so the update may not have been installed."
    e2e_patchwell_ended
    wait_for 10 e2e_served_runs 1.0 || e2e_fail "the old served program is not running"
    [ ! -e "$APP/setup.sh" ] || e2e_fail "installer left behind"
}


# Links are never written through, and the lock needs no shared folder.
case_links() {
    edge_setup
    local elsewhere="$E2E_TMP/elsewhere"
    mkdir -p "$elsewhere"

    e2e_log "a dangling iupdate.ini link is refused"
    edge_folder dangling
    edge_installer "$WWW/dangling/setup.sh"
    edge_manifest "$WWW/dangling/iupdate.ini" 2.0 "$BASE/dangling/setup.sh" setup.sh
    ln -s "$elsewhere/planted.ini" "$APP/iupdate.ini"
    e2e_start_patchwell
    e2e_check_window_then_ok
    [ ! -e "$elsewhere/planted.ini" ] || e2e_fail "the link's target was created"
    [ -L "$APP/iupdate.ini" ] || e2e_fail "the link was replaced"
    [ ! -e "$APP/installer-args.txt" ] && [ ! -e "$APP/served.pid" ] || e2e_fail "something ran"

    e2e_log "savefileas through a linked subfolder is refused"
    edge_folder sublink
    ln -s "$elsewhere" "$APP/sub"
    edge_installer "$WWW/sublink/setup.sh"
    edge_manifest "$WWW/sublink/iupdate.ini" 2.0 "$BASE/sublink/setup.sh" sub/setup.sh
    e2e_start_patchwell
    e2e_check_window_then_ok
    [ -z "$(ls -A "$elsewhere")" ] || e2e_fail "written outside the folder: $(ls -A "$elsewhere")"
    [ ! -e "$APP/installer-args.txt" ] && [ ! -e "$APP/served.pid" ] || e2e_fail "something ran"

    e2e_log "without XDG_RUNTIME_DIR neither a lock planted in the temporary folder nor one on the executable blocks"
    edge_folder lock
    local shared="$E2E_TMP/shared-tmp" canonical hash
    mkdir -p "$shared"
    canonical=$(readlink -f "$APP/patchwell")
    hash=$(printf '%s' "$canonical" | sha256sum | cut -c1-32)
    # Another user's planted lock at the name a shared folder would use.
    # Each holder says when it has its lock; probing the lock from here would
    # take it for a moment and could make the holder's own attempt fail.
    (cd "$shared" && exec 9>"patchwell-$hash.lock" && flock 9 && : >"$E2E_TMP/planted-tmp" &&
        exec sleep 600) &
    E2E_PIDS+=($!)
    wait_for 30 test -e "$E2E_TMP/planted-tmp" || e2e_fail "could not plant the lock"
    # Another user's lock on the executable, which everyone may read.
    (exec 9<"$APP/patchwell" && flock 9 && : >"$E2E_TMP/planted-exe" && exec sleep 600) &
    E2E_PIDS+=($!)
    wait_for 30 test -e "$E2E_TMP/planted-exe" || e2e_fail "could not lock the executable"
    rm -f "$APP/update.ini"  # patchwell stays up with its check window
    (cd "$APP" && exec env -u XDG_RUNTIME_DIR TMPDIR="$shared" ./patchwell) \
        >>"$E2E_TMP/patchwell.log" 2>&1 &
    E2E_PW_PID=$!
    E2E_PIDS+=("$E2E_PW_PID")
    e2e_check_window_then_ok
    [ -e "$XDG_CACHE_HOME/patchwell/patchwell-$hash.lock" ] || e2e_fail "no lock in the cache folder"
    [ "$(stat -c %a "$XDG_CACHE_HOME/patchwell")" = 700 ] || e2e_fail "the lock folder is open to others"
    # (Qt itself makes a private runtime-USER folder there; patchwell makes
    # nothing.)
    [ "$(ls -A "$shared" | grep -v '^runtime-')" = "patchwell-$hash.lock" ] ||
        e2e_fail "files made: $(ls -A "$shared")"
}

EDGE_MOUNTED=""
edge_unmount() {
    if [ -n "$EDGE_MOUNTED" ]; then
        umount -l "$EDGE_MOUNTED" 2>/dev/null || true
        EDGE_MOUNTED=""
    fi
}

# A program folder patchwell cannot write: told before anything is fetched.
case_unwritable() {
    edge_setup
    trap 'status=$?; edge_unmount; (exit $status); e2e_cleanup' EXIT
    edge_folder ro
    edge_installer "$WWW/ro/setup.sh"
    edge_manifest "$WWW/ro/iupdate.ini" 2.0 "$BASE/ro/setup.sh" setup.sh
    # The served program cannot write beside itself here either.
    local outside="$E2E_TMP/ro-served"
    printf '#!/bin/sh\necho $$ >"%s.pid"\nexec sleep 600\n' "$outside" >"$APP/served.sh"
    E2E_PIDFILES+=("$outside.pid")
    if [ "$(id -u)" -eq 0 ]; then
        # root writes through any permission bits: only a read-only mount stops it.
        mount --bind -o ro "$APP" "$APP" || e2e_fail "could not mount the folder read-only"
        EDGE_MOUNTED=$APP
    else
        chmod a-w "$APP"
    fi
    touch "$APP/probe" 2>/dev/null && e2e_fail "the folder is still writable"
    e2e_start_patchwell
    e2e_expect_message "Patchwell cannot update the program in $APP: the folder cannot be written to."
    e2e_patchwell_ended
    wait_for 10 test -s "$outside.pid" || e2e_fail "served program not started"
    ! grep -q '/ro/' "$E2E_NGINX_WORK/access.log" || e2e_fail "something was fetched"
    kill "$(cat "$outside.pid")" 2>/dev/null || true
    edge_unmount
    chmod u+w "$APP"
}

# Mirrors: a failing and a lying curverurl, then the mirror that delivers.
case_mirrors() {
    edge_setup
    edge_folder mirrors
    mkdir -p "$WWW/mirrors/old" "$WWW/mirrors/good"
    edge_installer "$WWW/mirrors/good/setup.sh"
    # A lying mirror: an older installer of another length under the name.
    edge_installer "$WWW/mirrors/old/setup.sh" 'echo old >"$folder/old-ran"'
    local size sha
    size=$(stat -c %s "$WWW/mirrors/good/setup.sh")
    sha=$(sha256sum "$WWW/mirrors/good/setup.sh" | cut -d' ' -f1)
    edge_manifest "$WWW/mirrors/iupdate.ini" 2.0 "$BASE/mirrors/gone/setup.sh" setup.sh \
        "curversize=$size
curversha256=$sha
curvermirrors=$BASE/mirrors/old/setup.sh  ftp://127.0.0.1/setup.sh $BASE/mirrors/good/setup.sh $BASE/mirrors/never/setup.sh
"
    edge_start_update
    wait_for 20 test -s "$APP/installer-args.txt" || e2e_fail "installer did not run"
    e2e_patchwell_ended
    [ ! -e "$APP/old-ran" ] || e2e_fail "the lying mirror's installer ran"
    wait_for 10 e2e_served_runs 2.0 || e2e_fail "served program 2.0 not running"
    # Each address once, in order, none after the one that delivered.
    local order
    order=$(sed -n 's|.*"GET /mirrors/\([a-z]*\)/setup.sh HTTP/1.1" \([0-9]*\).*|\1 \2|p' \
        "$E2E_NGINX_WORK/access.log" | uniq | tr '\n' ' ')
    e2e_log "installer requests: $order"
    [ "$order" = "gone 404 old 200 good 200 " ] || e2e_fail "requests were: $order"
    e2e_has_window '^Patchwell$' && e2e_fail "an error was shown"
    true
}

# edge_free_port: prints a loopback port nothing listens on now.
edge_free_port() {
    local port
    for _ in $(seq 1 50); do
        port=$((20000 + RANDOM % 40000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return 0
        fi
    done
    return 1
}
edge_listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# Starts a private tinyproxy on a free port; sets PROXY_PORT and PROXY_LOG.
edge_start_proxy() {
    local conf="$E2E_TMP/tinyproxy.conf" attempt pid
    PROXY_LOG="$E2E_TMP/tinyproxy.log"
    for attempt in 1 2 3 4 5; do
        PROXY_PORT=$(edge_free_port) || e2e_fail "no free port"
        printf 'Port %s\nListen 127.0.0.1\nTimeout 60\nLogFile "%s"\nLogLevel Info\nMaxClients 20\nAllow 127.0.0.1\n' \
            "$PROXY_PORT" "$PROXY_LOG" >"$conf"
        tinyproxy -d -c "$conf" >"$E2E_TMP/tinyproxy.out" 2>&1 &
        pid=$!
        E2E_PIDS+=("$pid")
        if wait_for 10 edge_listening "$PROXY_PORT" && e2e_running "$pid"; then
            e2e_log "tinyproxy on port $PROXY_PORT"
            return 0
        fi
        kill -TERM "$pid" 2>/dev/null || true
    done
    e2e_fail "tinyproxy did not start"
}

# The proxy's log shows a request for URL.
edge_proxied() { grep -qF "GET $1 HTTP/1.1" "$PROXY_LOG"; }

# Every request goes through the proxy the environment names; a proxy that
# is down ends with the control's error text and no direct connection.
case_proxy() {
    [ -x "$PUBLISH" ] || e2e_fail "no patchwell-publish given"
    edge_setup
    edge_start_proxy
    local keys="$E2E_TMP/keys"
    mkdir -p "$keys"
    minisign -G -W -f -p "$keys/k.pub" -s "$keys/k.key" >/dev/null || e2e_fail "minisign -G"

    e2e_log "manifest, signatures, installer and mirror through the proxy"
    edge_folder proxied
    echo "publickey=$(tail -n 1 "$keys/k.pub")" >>"$APP/update.ini"
    edge_installer "$E2E_TMP/setup.sh"
    "$PUBLISH" -o "$WWW/proxied" "$E2E_TMP/setup.sh" "$BASE/proxied/setup.sh" 2.0 "$keys/k.key" \
        >/dev/null || e2e_fail "patchwell-publish failed"
    # curverurl fails; the mirror (the published installer) delivers.
    sed -i "s|^curverurl=.*|curverurl=$BASE/proxied/gone/setup.sh\ncurvermirrors=$BASE/proxied/setup.sh|" \
        "$WWW/proxied/iupdate.ini"
    minisign -S -s "$keys/k.key" -m "$WWW/proxied/iupdate.ini" \
        -t "$(printf 'timestamp:%s\tfile:iupdate.ini\thashed' "$(date +%s)")" >/dev/null ||
        e2e_fail "minisign -S"
    export http_proxy="http://127.0.0.1:$PROXY_PORT"
    unset no_proxy NO_PROXY HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY
    edge_start_update
    wait_for 20 test -s "$APP/installer-args.txt" || e2e_fail "installer did not run"
    e2e_patchwell_ended
    wait_for 10 e2e_served_runs 2.0 || e2e_fail "served program 2.0 not running"
    local url
    for url in iupdate.ini iupdate.ini.minisig gone/setup.sh setup.sh; do
        edge_proxied "$BASE/proxied/$url" || e2e_fail "not through the proxy: $url"
    done
    e2e_log "proxy log: $(grep -c 'GET http' "$PROXY_LOG") requests"

    e2e_log "a proxy that is down: the control's error, no direct connection"
    edge_folder down
    edge_installer "$WWW/down/setup.sh"
    # The manifest is fetched directly (no_proxy), the installer by name
    # through the proxy that is down.
    edge_manifest "$WWW/down/iupdate.ini" 2.0 "http://localhost:$E2E_PORT/down/setup.sh" setup.sh
    http_proxy="http://127.0.0.1:$(edge_free_port)"
    export no_proxy=127.0.0.1
    edge_start_update
    e2e_expect_message "Error Reading File Headers."
    e2e_running "$E2E_PW_PID" || e2e_fail "patchwell ended"
    ! grep -q 'GET /down/setup.sh' "$E2E_NGINX_WORK/access.log" || e2e_fail "a direct connection was made"
    grep -q 'GET /down/iupdate.ini' "$E2E_NGINX_WORK/access.log" || e2e_fail "no_proxy was not honoured"
    [ ! -e "$APP/installer-args.txt" ] || e2e_fail "the installer ran"
    kill -TERM "$E2E_PW_PID"
    e2e_patchwell_ended
}

e2e_run_case
