#!/usr/bin/env bash
# Newcomer's first command: install what is missing, build, and run icbridge on the demo school.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build/icbridge version
