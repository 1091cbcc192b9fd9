#!/usr/bin/env bash
# Configures and builds icbridge and its tests into build/ (compiler output kept in build/build.log).
#   scripts/build.sh [--target T]... [cmake configure options]
# --target builds only the named targets (the demo builds the program and the demo school);
# ICB_BUILD_DIR names another build folder (the package is built in build-package/).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${ICB_BUILD_DIR:-build}"
targets=()
configure=()
while [ $# -gt 0 ]; do
  case "$1" in
    --target) targets+=(--target "$2"); shift 2 ;;
    *) configure+=("$1"); shift ;;
  esac
done
mkdir -p "$build_dir"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${configure[@]}" \
  > "$build_dir/configure.log" 2>&1 || { cat "$build_dir/configure.log"; exit 1; }
if ! cmake --build "$build_dir" -j"$(nproc)" "${targets[@]}" > "$build_dir/build.log" 2>&1; then
  grep -E -A5 'error|Error' "$build_dir/build.log" | head -n 200
  exit 1
fi
echo "Built $build_dir/icbridge"
