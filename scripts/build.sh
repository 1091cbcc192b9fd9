#!/usr/bin/env bash
# Configures and builds icbridge and its tests into build/ (compiler output kept in build/build.log).
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > build/configure.log 2>&1 \
  || { cat build/configure.log; exit 1; }
if ! cmake --build build -j"$(nproc)" > build/build.log 2>&1; then
  grep -E -A5 'error|Error' build/build.log | head -n 200
  exit 1
fi
echo "Built build/icbridge"
