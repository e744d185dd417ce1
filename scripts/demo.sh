#!/usr/bin/env bash
# The demo: installs what is needed, builds, and shows patchwell updating a
# small program from a private web server on this machine.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh normal
exec bash patchwell/update/demo/run_demo.sh build/normal/patchwell/update/app/patchwell \
    common/testing/nginx/pw-nginx.sh
