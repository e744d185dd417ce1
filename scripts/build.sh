#!/usr/bin/env bash
# Configures and builds one flavour of the project, or some targets of it.
#   scripts/build.sh [normal|sanitize|fuzz] [TARGET ...]   (default: normal, all)
# Build folders: build/normal, build/sanitize, build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-normal}
shift || true
case "$flavour" in
  normal)   args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) args=(-DCMAKE_BUILD_TYPE=Debug -DPW_SANITIZE=ON) ;;
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
fi
cmake -S . -B "build/$flavour" -G Ninja -DPW_WERROR=ON "${args[@]}" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "build/$flavour" -j"$(nproc)" "${targets[@]}"
