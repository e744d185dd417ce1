#!/usr/bin/env bash
# Configures and builds one flavour of the project.
#   scripts/build.sh [normal|sanitize|fuzz]   (default: normal)
# Build folders: build/normal, build/sanitize, build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-normal}
case "$flavour" in
  normal)   args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  sanitize) args=(-DCMAKE_BUILD_TYPE=Debug -DPW_SANITIZE=ON) ;;
  fuzz)     args=(-DCMAKE_BUILD_TYPE=Debug -DPW_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "usage: $0 [normal|sanitize|fuzz]" >&2; exit 2 ;;
esac
cmake -S . -B "build/$flavour" -G Ninja -DPW_WERROR=ON "${args[@]}" >/dev/null
cmake --build "build/$flavour" -j"$(nproc)"
