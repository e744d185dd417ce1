#!/usr/bin/env bash
# Fails when the program FILE needs a shared library besides Qt's core
# library, the C and C++ runtimes (and a sanitizer's), or does not need Qt's
# core library at all.
#   front_libraries.sh FILE
set -euo pipefail
needed=$(readelf -d "${1:?program}" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
echo "$needed"
grep -qx 'libQt6Core\.so\.6' <<<"$needed"
others=$(grep -vxE 'libQt6Core\.so\.6|libstdc\+\+\.so\.6|libgcc_s\.so\.1|libc\.so\.6|libm\.so\.6|ld-linux-x86-64\.so\.2|lib(a|ub|t)san\.so\.[0-9]+' <<<"$needed" || true)
if [ -n "$others" ]; then
    echo "needs more than Qt's core library:" $others >&2
    exit 1
fi
