#!/usr/bin/env bash
# Installs the test dependencies, builds everything and runs the whole test suite.
# The test database server is started and stopped by the suite itself (a CTest fixture).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd build
ctest --output-on-failure -j2 --timeout 600
