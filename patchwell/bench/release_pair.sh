# shellcheck shell=bash
# Two real releases for the patch benchmarks: the install trees of two builds
# of a Debian package, each packed as a patch-friendly installer (an
# uncompressed tar behind a shell header, patchwell/signing/examples/
# tar-installer.sh).
#
# release_pair PACKAGE OLD_VERSION NEW_VERSION [DEB_DIR]: in the current
# folder tree0/ and tree1/, the two builds' files, and setup0.sh and
# setup1.sh, their installers. Where the archive lacks either version, the
# two newest builds of PACKAGE that `apt-cache madison` lists. The .deb files
# are fetched with apt-get download into DEB_DIR (default the current
# folder) unless they are there. Sets OLD_VERSION and NEW_VERSION to the
# builds used.
release_pair_installer=$(cd "$(dirname "${BASH_SOURCE[0]}")/../signing/examples" && pwd)/tar-installer.sh
release_pair() {
    local package=$1 debs=${4:-.} versions version deb i=0
    OLD_VERSION=$2 NEW_VERSION=$3
    versions=$(apt-cache madison "$package" | awk -F'|' '{ gsub(/ /, "", $2); print $2 }' | sort -Vu)
    if ! grep -Fqx "$OLD_VERSION" <<<"$versions" || ! grep -Fqx "$NEW_VERSION" <<<"$versions"; then
        OLD_VERSION=$(tail -n 2 <<<"$versions" | head -n 1)
        NEW_VERSION=$(tail -n 1 <<<"$versions")
        [ "$OLD_VERSION" != "$NEW_VERSION" ] || { echo "$package has one build only" >&2; return 1; }
    fi
    for version in "$OLD_VERSION" "$NEW_VERSION"; do
        deb=$(ls -- "$debs/${package}_${version//:/%3a}"_*.deb 2>/dev/null) ||
            deb=$(cd "$debs" && apt-get download -q "$package=$version" >/dev/null 2>&1 &&
                realpath -- "${package}_${version//:/%3a}"_*.deb) || {
            echo "cannot fetch $package=$version" >&2
            return 1
        }
        rm -rf "tree$i" && mkdir "tree$i"
        dpkg-deb -x "$deb" "tree$i"
        sh "$release_pair_installer" "tree$i" "setup$i.sh"
        i=$((i + 1))
    done
}
