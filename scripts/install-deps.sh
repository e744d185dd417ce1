#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and the demo need.
# Run as root (or through sudo). Safe to run again: apt-get skips what is there.
#   scripts/install-deps.sh          everything
#   scripts/install-deps.sh build    only what configuring and building the normal flavour
#                                    need (scripts/test.sh installs the rest while that builds)
set -euo pipefail

build_packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git lld clang-format
  # libraries
  qt6-base-dev libcurl4-openssl-dev ca-certificates libx11-dev libxrandr-dev
  libgtest-dev libgmock-dev googletest
  # Qt Designer plugin and forms built at run time
  qt6-tools-dev qt6-tools-dev-tools libqt6uitools6 libqt6opengl6-dev
  # translations: lupdate and lrelease; Qt's own (the standard buttons' texts), which the
  # programs carry a part of
  qt6-l10n-tools qt6-translations-l10n
  # signature checks of updates
  libsodium-dev
  # binary patches and compressed downloads of updates
  libzstd-dev
  # tilebay's start-up sound: a MIDI synthesiser (ALSA: its error messages are routed away
  # from stderr)
  libfluidsynth-dev libasound2-dev
  # tilebay's layer-shell module: the protocol descriptions and the client library it builds
  # against, and Qt's own private headers, which its private Wayland client headers build on
  wayland-protocols libwayland-dev qt6-base-private-dev
  # the Wayland test session's keyboard tool: the keymap it gives its virtual keyboard
  libxkbcommon-dev
)
packages=(
  # clang and its sanitizer and fuzzer runtimes, for the sanitizer and fuzz flavours
  clang libclang-rt-14-dev
  # the designer itself, for the Designer plugin's end-to-end check
  designer-qt6
  # the publisher's signing tool for the tests
  minisign
  # a small General MIDI sound font for the start-up sound
  timgm6mb-soundfont
  # the fonts of the shipped styles
  fonts-dejavu-core
  # icon theme and MIME database for desktop item icons and type texts
  adwaita-icon-theme hicolor-icon-theme shared-mime-info
  # end-to-end and integration test environment
  xvfb xauth openbox tint2 xdotool wmctrl x11-utils x11-apps nginx-light pcmanfm dbus-x11 procps psmisc
  # reading message texts in end-to-end tests; the nginx launcher's self-test
  xclip curl
  # a private bus for the stand-in NetworkManager of the metered-connection test
  dbus-daemon
  # tilebay's end-to-end test reads its translated widgets over AT-SPI: the accessibility bus
  # and registry, and a monitor of its focus events
  at-spi2-core dbus-bin
  # a real HTTP proxy for the proxy tests (plain requests and https by CONNECT)
  tinyproxy
  # tilebay: a compositor for translucent windows (demo, end-to-end test), xdg-open for the
  # context menu's Open, two screens with hot-unplug (Xorg's dummy driver, xrandr)
  xcompmgr xdg-utils xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  # peak memory of the fetch benchmark (/usr/bin/time); test certificates; profiling
  time openssl linux-perf
  # the patch benchmark's comparison with the zstd tool; README's makeself example of an
  # installer that patches well
  zstd makeself
  # screenshots for the demo
  imagemagick
  # the Debian packages: building them (CPack's DEB generator: dpkg-shlibdeps,
  # file), checking them (lintian, man pages, desktop entry, AppStream metainfo)
  dpkg-dev file lintian man-db desktop-file-utils appstream
  # Wayland: a headless compositor with layer-shell for the tests, screenshots there
  sway xwayland grim
)
# Qt's Wayland platform plugin and the private headers a shell integration of tilebay's own needs.
# Debian 12's main archive has no private headers; bookworm-backports has the set for its Qt 6.4.2.
backports_packages=(qt6-wayland qt6-wayland-dev qt6-wayland-private-dev)

if [ "$(id -u)" -ne 0 ]; then
  exec sudo "$0" "$@"
fi

export DEBIAN_FRONTEND=noninteractive
# dpkg syncs every file it unpacks to disk by default. On a bare machine, where this installs
# about 700 packages, unpacking took 294 s without those syncs against 370 s with them. A crash
# halfway leaves an install to run again either way.
install=(apt-get install -y -qq --no-install-recommends -o Dpkg::Options::=--force-unsafe-io)

# Adds bookworm-backports from the Debian mirror this machine already uses (the first deb source
# that carries bookworm itself), so no host is named here. Prints nothing and changes nothing when
# backports are already configured or no such mirror is found.
enable_backports() {
  local list=/etc/apt/sources.list.d/pw-bookworm-backports.sources
  if grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then return 0; fi
  local uri
  uri=$(
    {
      [ -f /etc/apt/sources.list ] &&
        awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }' /etc/apt/sources.list
      for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        # deb822 stanzas: the URIs of a stanza whose suites include bookworm
        awk 'BEGIN { RS = ""; FS = "\n" }
             { t = ""; u = ""; s = ""
               for (i = 1; i <= NF; i++) {
                 if ($i ~ /^Types:/) t = $i
                 if ($i ~ /^URIs:/) { u = $i; sub(/^URIs:[ \t]*/, "", u); sub(/[ \t].*/, "", u) }
                 if ($i ~ /^Suites:/) s = " " $i " "
               }
               if (t ~ /[ \t]deb([ \t]|$)/ && s ~ /[ \t]bookworm[ \t]/ && u != "") { print u; exit } }' "$f"
      done
    } | head -n 1
  )
  if [ -z "$uri" ]; then
    echo "install-deps: no bookworm mirror configured; cannot add bookworm-backports" >&2
    return 1
  fi
  printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$uri" >"$list"
  apt-get update -qq
}

case "${1:-all}" in
  build) packages=("${build_packages[@]}") ;;
  all) packages=("${build_packages[@]}" "${packages[@]}") ;;
  *) echo "usage: $0 [build]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  apt-get update -qq
  "${install[@]}" "${missing[@]}"
fi
missing=()
for p in "${backports_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  enable_backports
  # Only these come from backports (-t); their Qt dependencies stay the main archive's 6.4.2.
  "${install[@]}" -t bookworm-backports "${missing[@]}"
fi
# The tests and the demo run nginx instances of their own; the system service
# that the package starts is not needed. Only that instance is stopped (by its
# pid file), never an nginx of a running test.
if command -v systemctl >/dev/null 2>&1; then systemctl disable --now nginx >/dev/null 2>&1 || true; fi
# Likewise the proxy test runs its own tinyproxy on a free port.
if command -v systemctl >/dev/null 2>&1; then systemctl disable --now tinyproxy >/dev/null 2>&1 || true; fi
if [ -s /run/nginx.pid ]; then kill "$(cat /run/nginx.pid)" >/dev/null 2>&1 || true; fi
