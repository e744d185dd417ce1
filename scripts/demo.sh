#!/usr/bin/env bash
# The demo: installs what is needed, builds the two programs, shows patchwell
# updating a small program from a private web server on this machine, and
# then tilebay on its shipped styles.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh normal patchwell patchwell_verify patchwell_delta tilebay tilebay_shipped_styles \
    pw-x-session
# Without a display, each demo runs inside a private X session of its own.
session=build/normal/common/testing/desktop/pw-x-session
bash patchwell/update/demo/run_demo.sh build/normal/patchwell/update/app/patchwell \
    common/testing/nginx/pw-nginx.sh "$session" build/normal/patchwell/signing/patchwell-publish
bash tilebay/styles/demo/run_demo.sh build/normal/tilebay/app/tilebay "$session"
