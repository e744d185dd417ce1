#!/usr/bin/env bash
# patchwell-publish's patches and compressed downloads: the files it writes
# give the new installer back through patchwell-delta, the manifest lists
# them with the right sizes and digests (in a channel's section for
# --channel) and still verifies; bad uses of both commands fail clearly and
# leave the published files as they were.
#   publish_test.sh BUILD/patchwell/signing/patchwell-publish
set -euo pipefail
publish=$(realpath -- "$1")
bin=$(dirname -- "$publish")
delta=$bin/patchwell-delta
examples=$(realpath -- "$(dirname -- "$0")/../examples")
export LC_ALL=C.UTF-8 LANGUAGE=en
tmp=$(mktemp -d /tmp/pw-publish-test.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
failures=0
bad() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

cd "$tmp"
minisign -G -W -f -p k.pub -s k.key >/dev/null
# Three releases: each changes a few regions of the one before.
head -c 3000000 /dev/urandom >setup-1.sh
cp setup-1.sh setup-2.sh
printf 'release two' | dd of=setup-2.sh bs=1 seek=1000 conv=notrunc status=none
cp setup-2.sh setup-3.sh
head -c 4096 /dev/urandom | dd of=setup-3.sh bs=1 seek=2000000 conv=notrunc status=none
printf 'Version 3\n' >notes.txt
sha() { sha256sum <"$1" | cut -d ' ' -f 1; }
key() { sed -n "/^\[$2\]$/,/^\[/s/^$3=//p" "$1"; }
base=https://example.org/editor

# checked_release DIR SECTION INSTALLER OLD...: SECTION of DIR/iupdate.ini
# lists a patch from each OLD, in order, and the compressed file; each gives
# INSTALLER back as patchwell applies it, and the manifest verifies.
checked_release() {
    local dir=$1 section=$2 installer=$3 n=0 old name
    shift 3
    local ini=$dir/iupdate.ini
    "$bin/patchwell-verify" k.pub "$ini" >/dev/null || bad "$ini does not verify"
    name=$(basename "$(key "$ini" "$section" curverurl)")
    [ "$(key "$ini" "$section" curversha256)" = "$(sha "$installer")" ] || bad "$section: installer digest"
    for old in "$@"; do
        n=$((n + 1))
        local patch=$name.from-$(sha "$old" | cut -c 1-16).zstpatch
        local want="curverpatch$n=$base/$patch
curverpatch${n}from=$(sha "$old")
curverpatch${n}size=$(stat -c %s "$dir/$patch")
curverpatch${n}sha256=$(sha "$dir/$patch")"
        [ "$(grep "^curverpatch$n" <(sed -n "/^\[$section\]$/,/^\[/p" "$ini"))" = "$want" ] ||
            bad "$section: keys of patch $n"
        "$delta" apply --limit "$(stat -c %s "$installer")" "$old" "$dir/$patch" "$tmp/applied" \
            >/dev/null && cmp -s "$tmp/applied" "$installer" || bad "$section: patch $n from $old"
    done
    [ -z "$(key "$ini" "$section" "curverpatch$((n + 1))")" ] || bad "$section: a patch too many"
    [ "$(key "$ini" "$section" curverzst)" = "$base/$name.zst" ] &&
        [ "$(key "$ini" "$section" curverzstsize)" = "$(stat -c %s "$dir/$name.zst")" ] &&
        [ "$(key "$ini" "$section" curverzstsha256)" = "$(sha "$dir/$name.zst")" ] ||
        bad "$section: keys of the compressed file"
    "$delta" apply - "$dir/$name.zst" - | cmp -s - "$installer" || bad "$section: compressed file"
}

echo "the main line with two patches, the compressed file and the other options"
"$publish" -o up --delta-from setup-1.sh --delta-from setup-2.sh --compress --rollout 50 \
    --next-key k.pub --notes notes.txt "$base/notes.txt" setup-3.sh "$base/setup.sh" 3.0 k.key \
    >said || bad "publishing failed"
checked_release up Update setup-3.sh setup-1.sh setup-2.sh
[ "$(key up/iupdate.ini Update rollout)" = 50 ] && [ -n "$(key up/iupdate.ini Update curvernotes)" ] ||
    bad "rollout or notes lost"
grep -q "setup.sh.from-$(sha setup-1.sh | cut -c 1-16).zstpatch setup.sh.from-.*zstpatch setup.sh.zst$" said ||
    bad "the upload list misses the new files: $(cat said)"

echo "a channel with a patch from the previous release already in the output folder"
cp up/setup.sh previous.sh
"$publish" -o up --channel beta --delta-from up/setup.sh --compress setup-1.sh "$base/beta.sh" 1.5 \
    k.key >/dev/null || bad "publishing the channel failed"
checked_release up Update.beta setup-1.sh previous.sh
checked_release up Update setup-3.sh setup-1.sh setup-2.sh
echo "the main line again keeps the channel's patch"
"$publish" -o up setup-3.sh "$base/setup.sh" 3.0 k.key >/dev/null || bad "republishing failed"
checked_release up Update.beta setup-1.sh previous.sh
grep -q '^\(curverpatch\|curverzst\)' <(sed -n '/^\[Update\]$/,/^\[/p' up/iupdate.ini) &&
    bad "the main line kept patch keys it was not given"

echo "bad uses of patchwell-publish change nothing"
mkdir folder
# Every file of the output folder, names and contents.
folder_state() { (cd up && find . -type f -exec sha256sum {} + | sort); }
folder_state >before
printf 'untrusted comment: not a key\nRWQ\n' >broken.key
#  exit  what the message says                options... (the last word: the secret key)
while IFS='|' read -r code says options; do
    read -ra words <<<"$options"
    key=${words[-1]}
    unset 'words[-1]'
    status=0
    "$publish" -o up "${words[@]}" "$base/setup.sh" 4.0 "$key" >/dev/null 2>err || status=$?
    [ "$status" = "$code" ] && grep -q -- "$says" err || bad "'$options': exit $status, $(head -n 1 err)"
    folder_state | cmp -s - before || bad "'$options' changed the output folder"
done <<'CASES'
1|minisign could not sign|--delta-from setup-1.sh --compress --notes notes.txt https://example.org/editor/notes2.txt setup-3.sh broken.key
2|at most three times|--delta-from setup-1.sh --delta-from setup-2.sh --delta-from previous.sh --delta-from notes.txt setup-3.sh k.key
1|is the new installer itself|--delta-from setup-3.sh setup-3.sh k.key
1|is given twice|--delta-from setup-1.sh --delta-from setup-2.sh --delta-from setup-1.sh setup-3.sh k.key
1|cannot read the earlier installer no-such.sh|--delta-from no-such.sh setup-3.sh k.key
1|cannot read the earlier installer folder|--delta-from folder setup-3.sh k.key
1|a file name of their own|--delta-from setup-1.sh --notes notes.txt https://example.org/editor/setup.sh.zst setup-3.sh k.key
CASES

echo "patchwell-delta: usage errors, refusals, and no output but a complete one"
cp up/setup.sh.zst damaged.zst
printf '\xff' | dd of=damaged.zst bs=1 seek=1000 conv=notrunc status=none
head -c 200 up/setup.sh.zst >short.zst
# A base that differs from setup-1.sh where the patch reads it.
cp setup-1.sh other.sh
printf 'other' | dd of=other.sh bs=1 seek=1500000 conv=notrunc status=none
# PATCH in a case stands for the patch from setup-1.sh.
patch=up/setup.sh.from-$(sha setup-1.sh | cut -c 1-16).zstpatch
while IFS='|' read -r code says arguments; do
    read -ra words <<<"${arguments//PATCH/$patch}"
    status=0
    "$delta" "${words[@]}" >/dev/null 2>err || status=$?
    [ "$status" = "$code" ] && grep -q -- "$says" err || bad "'$arguments': exit $status, $(head -n 1 err)"
    [ ! -e out ] && [ -z "$(find . -maxdepth 1 -name '.out.*')" ] || bad "'$arguments' left output"
    rm -f out
done <<'CASES'
2|too few arguments|
2|unknown command 'patch'|patch setup-1.sh setup-2.sh out
2|make takes 3 file names|make setup-1.sh out
2|apply has no option --level|apply --level 3 setup-1.sh short.zst out
2|compress has no option --limit|compress --limit 9 setup-1.sh out
2|--limit takes a whole number|apply --limit -1 - short.zst out
1|between 1 and 22|compress --level 23 setup-1.sh out
1|cannot read no-such.sh|make no-such.sh setup-2.sh out
1|folder is not a regular file|apply folder short.zst out
1|damaged|apply - damaged.zst out
1|cut short|apply - short.zst out
1|damaged or made for another base|apply other.sh PATCH out
1|longer than the limit|apply --limit 2999999 setup-1.sh PATCH out
1|no zstd file|apply - notes.txt out
CASES

echo "a terminated make leaves nothing"
head -c 24000000 /dev/urandom >large.bin
"$delta" make setup-1.sh large.bin out >/dev/null &
maker=$!
for _ in $(seq 200); do
    [ -z "$(find . -maxdepth 1 -name '.out.*')" ] || break
    sleep 0.01
done
kill -TERM "$maker"
status=0
wait "$maker" || status=$?
[ "$status" = 143 ] || bad "make ended with $status, not by the signal"
[ ! -e out ] && [ -z "$(find . -maxdepth 1 -name '.out.*')" ] || bad "a terminated make left output"

echo "the example installer: the folder patchwell names gets the tree; releases patch small"
mkdir -p tree/bin app
cp setup-1.sh "tree/bin/a b"
ln -s "a b" tree/bin/link
"$examples/tar-installer.sh" tree tar-1.sh
cp setup-2.sh "tree/bin/a b"
"$examples/tar-installer.sh" tree tar-2.sh
(cd / && "$tmp/tar-2.sh" /auto "$tmp/app") && diff -r --no-dereference tree app ||
    bad "the example installer did not install its tree"
"$delta" make tar-1.sh tar-2.sh tar.zstpatch >/dev/null || bad "no patch between the example installers"
[ "$(stat -c %s tar.zstpatch)" -lt $(($(stat -c %s tar-2.sh) / 100)) ] ||
    bad "the patch between the example installers is $(stat -c %s tar.zstpatch) bytes"

[ "$failures" -eq 0 ] || exit 1
echo "all publisher cases passed"
