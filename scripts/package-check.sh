#!/usr/bin/env bash
# Proves the Debian packages: makes them from the normal build of this
# checkout (Debian's hardening flags), checks them with lintian and the
# desktop-file, AppStream and man-page validators, installs them with apt,
# runs the end-to-end tests against the installed programs, builds a small
# host program against the installed CMake package of the DownLoad control
# and runs it, then purges the packages and checks that none of their files
# is left.
#
#   scripts/package-check.sh      (as root, after scripts/install-deps.sh)
#
# The test tools (pw-x-session, the tilebay end-to-end test program) come
# from the same build.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$(date +%s)
packages=(patchwell tilebay patchwell-designer-plugin libpatchwell-download-dev)
# tilebay's layer-shell module, where Qt's private Wayland headers let it be built.
if dpkg-query -W -f='${Status}' qt6-wayland-private-dev 2>/dev/null | grep -q 'install ok installed'; then
    packages+=(tilebay-wayland)
fi
programs=(patchwell patchwell-fetch patchwell-verify patchwell-publish patchwell-delta tilebay)
status=0
fail() {
    echo "package check: $*" >&2
    status=1
}
step() { echo "=== package: $*"; }

if [ "$(id -u)" -ne 0 ]; then
    exec sudo "$0" "$@"
fi
for p in "${packages[@]}"; do
    if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'installed'; then
        echo "package check: $p is installed already; remove it first (apt-get purge $p)" >&2
        exit 1
    fi
done

tmp=$(mktemp -d /tmp/pw-package.XXXXXX)
nginx_work=
cleanup() {
    if [ -n "$nginx_work" ]; then
        common/testing/nginx/pw-nginx.sh stop "$nginx_work" >/dev/null 2>&1 || true
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT

step "build (the normal build's objects)"
# The packages are made of the normal build (scripts/build.sh normal:
# Debian's build flags, install prefix /usr), whose objects the test suite
# has run; only what they hold and the test tools below are built here, and
# where the suite has run that is nothing.
build=build/normal
./scripts/build.sh normal package_contents pw-x-session tilebay_e2e_test
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB >/dev/null)
debs=()
for p in "${packages[@]}"; do
    deb=$(ls "$build"/packages/"${p}"_*.deb)
    debs+=("$root/$deb")
done
version=$(sed -n 's/^Version: //p' <(dpkg-deb -f "${debs[0]}"))

step "contents"
for deb in "${debs[@]}"; do
    echo "--- $(basename "$deb") ($(stat -c %s "$deb") bytes)"
    dpkg-deb -f "$deb" Package Version Architecture Installed-Size Depends Section
done

step "lintian"
if ! lintian --fail-on error --info "${debs[@]}"; then
    fail "lintian reports errors"
fi

step "install"
apt-get install -y -qq "${debs[@]}" >/dev/null
for p in "${packages[@]}"; do
    dpkg-query -L "$p" >"$tmp/$p.files"
done

step "validators"
for page in /usr/share/man/man1/{patchwell,patchwell-fetch,patchwell-verify,patchwell-publish,patchwell-delta,tilebay}.1.gz; do
    if [ ! -f "$page" ]; then
        fail "no man page $page"
        continue
    fi
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || echo "man failed")
    [ -z "$warnings" ] || fail "man $page: $warnings"
done
desktop-file-validate /usr/share/applications/org.example.patchwell.tilebay.desktop ||
    fail "desktop entry"
appstreamcli validate --no-net /usr/share/metainfo/org.example.patchwell.tilebay.metainfo.xml ||
    fail "metainfo"
[ -f /usr/share/icons/hicolor/scalable/apps/tilebay.svg ] || fail "no icon"
plugin=$(grep '/designer/.*\.so$' "$tmp/patchwell-designer-plugin.files" || true)
if [ -z "$plugin" ] || ldd "$plugin" | grep -q 'not found'; then
    fail "designer plugin missing or with unresolved libraries: $plugin"
fi

step "command lines"
for program in "${programs[@]}"; do
    out=$(env -u DISPLAY "/usr/bin/$program" --version) || fail "$program --version"
    [ "$out" = "$program $version" ] || fail "$program --version printed '$out'"
    env -u DISPLAY "/usr/bin/$program" --help >/dev/null || fail "$program --help"
    code=0
    env -u DISPLAY "/usr/bin/$program" --no-such-option >/dev/null 2>"$tmp/err" || code=$?
    [ "$code" -eq 2 ] && [ -s "$tmp/err" ] || fail "$program with an unknown option: exit $code"
done

step "end-to-end: patchwell and tilebay"
# Each case has an X session and a web server of its own, and mostly waits on them: they run
# side by side, twice as many as there are cores, as the test suite's do.
TILEBAY_E2E_BINARY=/usr/bin/tilebay QT_QPA_PLATFORM=offscreen \
    build/normal/tilebay/app/tilebay_e2e_test >"$tmp/e2e-tilebay.log" 2>&1 &
tilebay_e2e=$!
# A case is NAME of run_e2e.sh or SCRIPT:NAME of another case script.
patchwell_case() {
    local script=run_e2e.sh name=$1
    if [[ $1 == *:* ]]; then
        script=${1%%:*} name=${1#*:}
    fi
    if build/normal/common/testing/desktop/pw-x-session --size 1280x800 -- \
        bash "patchwell/update/e2e/$script" "$name" /usr/bin/patchwell \
        common/testing/nginx/pw-nginx.sh /usr/bin/patchwell-publish >"$tmp/e2e-$1.log" 2>&1; then
        touch "$tmp/e2e-$1.passed"
    fi
}
# The patched update also proves that the installed patchwell-publish finds the installed
# patchwell-delta.
cases=(uptodate update pause cancel missing second savename signed signal cases_patch.sh:update)
pids=()
running() {
    local n=0 pid
    for pid in "${pids[@]}"; do
        if kill -0 "$pid" 2>/dev/null; then n=$((n + 1)); fi
    done
    echo "$n"
}
for case in "${cases[@]}"; do
    # One place is the tilebay program's.
    while [ "$(running)" -ge $((2 * $(nproc) - 1)) ]; do
        wait -n "${pids[@]}" || true
    done
    patchwell_case "$case" &
    pids+=($!)
done
wait "${pids[@]}" || true
for case in "${cases[@]}"; do
    if [ -f "$tmp/e2e-$case.passed" ]; then
        echo "patchwell e2e $case: passed"
    else
        tail -n 30 "$tmp/e2e-$case.log"
        fail "patchwell e2e $case"
    fi
done
if wait "$tilebay_e2e"; then
    tail -n 3 "$tmp/e2e-tilebay.log"
else
    tail -n 60 "$tmp/e2e-tilebay.log"
    fail "tilebay e2e"
fi

step "host program against the installed CMake package"
cmake -S packaging/host -B "$tmp/host" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$tmp/host"
mkdir -p "$tmp/www"
head -c 300000 /dev/urandom >"$tmp/www/payload.bin"
nginx_work="$tmp/nginx"
port=$(common/testing/nginx/pw-nginx.sh start "$tmp/www" "$nginx_work")
if QT_QPA_PLATFORM=offscreen "$tmp/host/download_host" "http://127.0.0.1:$port/payload.bin" \
    "$tmp/received.bin" && cmp -s "$tmp/www/payload.bin" "$tmp/received.bin"; then
    echo "host program: the control fetched the file"
else
    fail "host program"
fi

step "purge"
apt-get purge -y -qq "${packages[@]}" >/dev/null
left=0
for p in "${packages[@]}"; do
    while IFS= read -r path; do
        if [ -d "$path" ] && [ ! -L "$path" ]; then
            # A folder may stay only when another package owns it too.
            if dpkg-query -S "$path" >/dev/null 2>&1; then
                continue
            fi
        elif [ ! -e "$path" ] && [ ! -L "$path" ]; then
            continue
        fi
        echo "left after purge: $path"
        left=1
    done <"$tmp/$p.files"
done
[ "$left" -eq 0 ] || fail "files left after purge"

echo "=== package: done in $(($(date +%s) - started)) s"
exit $status
