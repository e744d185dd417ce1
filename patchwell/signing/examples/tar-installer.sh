#!/bin/sh
# tar-installer.sh TREE OUT: writes OUT, an installer that patchwell runs as
# "OUT /auto FOLDER" and that unpacks the contents of the folder TREE into
# FOLDER. The payload is a tar, uncompressed and made alike every time (names
# sorted, times and owners fixed), so that two releases differ only where
# their files do and a patch between them stays small; patchwell-publish
# --compress makes the full download small.
set -eu
tree=$1 out=$2
{
    cat <<'HEADER'
#!/bin/sh
# /auto FOLDER: unpacks the program into FOLDER.
set -e
[ "$1" = /auto ] && [ -d "$2" ] || { echo "usage: $0 /auto FOLDER" >&2; exit 2; }
skip=$(awk '/^__TAR__$/ { print NR + 1; exit }' "$0")
tail -n +"$skip" "$0" | tar -x --no-overwrite-dir -C "$2"
exit 0
__TAR__
HEADER
    # TREE's entries rather than TREE itself, which would give FOLDER its mode and time.
    (cd "$tree" && find . -mindepth 1 -maxdepth 1 -printf '%P\0' | LC_ALL=C sort -z |
        tar -c --null -T - --sort=name --mtime=@0 --owner=0 --group=0 --numeric-owner)
} >"$out.part"
chmod 755 "$out.part"
mv -f "$out.part" "$out"
