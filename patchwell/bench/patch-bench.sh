#!/usr/bin/env bash
# Binary patches between two real releases: the install trees of two builds
# of a Debian package (git 2.39.5 deb12u2 and deb12u3, fetched with
# apt-get download; where one is gone, the two newest builds of PACKAGE),
# each packed as patchwell-friendly installer (an uncompressed tar behind a
# shell header, patchwell/signing/examples/tar-installer.sh). Prints the
# patch's size as a share of the installer and of the installer compressed
# with zstd -19, the time and peak memory to make it with patchwell-delta,
# and the median time and peak memory of ROUNDS applications, through
# patchwell-delta apply (the code patchwell applies patches with) beside
# zstd -d --patch-from in the same run. Not a timed test.
#   patchwell/bench/patch-bench.sh BUILD_DIR [ROUNDS] [PACKAGE OLD_VERSION NEW_VERSION]
#   (e.g. build/normal 7)
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
rounds=${2:-7}
package=${3:-git}
old_version=${4:-1:2.39.5-0+deb12u2}
new_version=${5:-1:2.39.5-0+deb12u3}
here=$(cd "$(dirname "$0")" && pwd)
delta=$build/patchwell/signing/patchwell-delta
[ -x "$delta" ] || { echo "no $delta: build patchwell_delta first" >&2; exit 1; }
work=$(mktemp -d /tmp/patchwell-patch-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# shellcheck source=release_pair.sh
source "$here/release_pair.sh"
release_pair "$package" "$old_version" "$new_version"
echo "$package $OLD_VERSION -> $NEW_VERSION"
size=$(stat -c %s setup1.sh)
old_size=$(stat -c %s setup0.sh)
zstd -19 --single-thread -q -c setup1.sh >full.zst
full_zst=$(stat -c %s full.zst)

# timed LABEL COMMAND...: runs COMMAND, appends "seconds peak-KiB" to LABEL.times.
timed() {
    local label=$1
    shift
    /usr/bin/time -f '%e %M' -o time.out "$@" >/dev/null
    cat time.out >>"$label.times"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
column_of() { awk -v c="$2" '{ print $c }' "$1.times" | median; }

for _ in 1 2 3; do
    timed make "$delta" make setup0.sh setup1.sh patch.zst
done
patch=$(stat -c %s patch.zst)
window=$(python3 -c "import sys; n = max(int(sys.argv[1]), int(sys.argv[2])); print(max(10, min(31, n.bit_length())))" \
    "$old_size" "$size")
for _ in $(seq "$rounds"); do
    rm -f out.sh
    timed apply "$delta" apply --limit "$size" setup0.sh patch.zst out.sh
    cmp -s out.sh setup1.sh || { echo "patchwell-delta apply gave another file" >&2; exit 1; }
    rm -f out.sh
    timed zstd zstd -d -q --patch-from=setup0.sh "--long=$window" patch.zst -o out.sh
    cmp -s out.sh setup1.sh || { echo "zstd -d gave another file" >&2; exit 1; }
done

mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }
printf '\n%-44s %s\n' "installer (uncompressed tar behind a header)" "$size B (the old one $old_size B)"
printf '%-44s %s\n' "the installer with zstd -19" "$full_zst B"
printf '%-44s %s B = %.2f %% of the installer, %.2f %% of its zstd -19 form\n' "patch (patchwell-delta make, level 19)" \
    "$patch" "$(awk -v a="$patch" -v b="$size" 'BEGIN { print 100 * a / b }')" \
    "$(awk -v a="$patch" -v b="$full_zst" 'BEGIN { print 100 * a / b }')"
printf '%-44s %s s, peak RSS %s MiB\n' "making it (median of 3)" "$(column_of make 1)" "$(mib "$(column_of make 2)")"
printf '\n%-44s %10s %14s\n' "applying it (median of $rounds)" "seconds" "peak RSS MiB"
printf '%-44s %10s %14s\n' "patchwell-delta apply (patchwell's code)" "$(column_of apply 1)" \
    "$(mib "$(column_of apply 2)")"
printf '%-44s %10s %14s\n' "zstd -d --patch-from --long=$window" "$(column_of zstd 1)" \
    "$(mib "$(column_of zstd 2)")"
printf '%-44s %10s %14s\n' "bound: base + installer + 32 MiB" "" \
    "$(awk -v a="$old_size" -v b="$size" 'BEGIN { printf "%.0f", (a + b) / 1048576 + 32 }')"
printf '(%s cores, load average %s)\n' "$(nproc)" "$(cut -d ' ' -f 1-3 /proc/loadavg)"
