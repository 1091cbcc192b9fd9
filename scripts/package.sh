#!/usr/bin/env bash
# Builds the Debian package build-package/icbridge_<version>_amd64.deb: the program, the README, the
# password-encoding script and the systemd units, installed under /usr.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export ICB_BUILD_DIR="${ICB_BUILD_DIR:-build-package}"
scripts/build.sh --target icbridge -DICB_BUILD_TESTS=OFF
(cd "$ICB_BUILD_DIR" && cpack -G DEB > cpack.log 2>&1) || { cat "$ICB_BUILD_DIR/cpack.log"; exit 1; }
ls "$ICB_BUILD_DIR"/icbridge_*.deb
