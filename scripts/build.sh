#!/usr/bin/env bash
# Configures and builds one flavour of the project, or some targets of it.
#   scripts/build.sh [normal|sanitize|fuzz] [TARGET ...]   (default: normal, all)
# Build folders: build/normal, build/sanitize, build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-normal}
shift || true
case "$flavour" in
  # The normal flavour is also what the Debian packages are made of
  # (scripts/package-check.sh): Debian's build flags (fortify, stack
  # protector, relro) and the packages' install prefix, so the tests run the
  # very objects the packages ship.
  normal)   args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
                  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON)
            if command -v dpkg-buildflags >/dev/null 2>&1; then
              CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
              LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
              # Given on every configure, so that a kept build folder takes them anew.
              args+=(-DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS"
                     -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" -DCMAKE_MODULE_LINKER_FLAGS="$LDFLAGS")
            fi ;;
  # Built with clang: a third faster to compile than GCC with the sanitizers,
  # and a second compiler's warnings on the same sources.
  sanitize) args=(-DCMAKE_BUILD_TYPE=Debug -DPW_SANITIZE=ON -DCMAKE_CXX_COMPILER=clang++) ;;
  fuzz)     args=(-DCMAKE_BUILD_TYPE=Debug -DPW_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "usage: $0 [normal|sanitize|fuzz] [TARGET ...]" >&2; exit 2 ;;
esac
# ccache, where a developer has it, makes rebuilds in several work trees cheap.
# Paths are taken relative to the checkout and the build folder is left out of
# the hash (debug builds would otherwise hash it in), so another clone of the
# same sources hits the same entries.
if command -v ccache >/dev/null 2>&1; then
  args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
  # The test programs' precompiled headers are cacheable only so (ccache's
  # manual, "Precompiled headers").
  export CCACHE_SLOPPINESS=pch_defines,time_macros
fi
cmake -S . -B "build/$flavour" -G Ninja -DPW_WERROR=ON "${args[@]}" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "build/$flavour" -j"$(nproc)" "${targets[@]}"
