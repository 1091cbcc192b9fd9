#!/usr/bin/env bash
# Builds the suite with a sanitizer, each in a build folder of its own, and runs it:
#   asan  AddressSanitizer with UndefinedBehaviorSanitizer, the whole suite      (build-asan)
#   tsan  ThreadSanitizer, the data-access and engine tests, where threads run  (build-tsan)
# Usage: scripts/sanitize.sh [asan] [tsan]    (both when none is named; ICB_JOBS sets the parallel
# jobs, 2 by default). A finding fails its test; the exit code is 1 when any test failed.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${ICB_JOBS:-2}
runs=("$@")
[ ${#runs[@]} -eq 0 ] && runs=(asan tsan)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

status=0
for run in "${runs[@]}"; do
  case $run in
    asan)
      sanitizer=address
      labels=
      ;;
    tsan)
      sanitizer=thread
      labels='^(dataaccess_tests|services_tests|engine_tests|taskframe_tests)$'
      ;;
    *)
      echo "unknown run '$run': asan or tsan" >&2
      exit 2
      ;;
  esac
  build=build-$run
  echo "== $run: building in $build"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DICB_SANITIZE=$sanitizer "${launcher[@]}" &&
    cmake --build "$build" -j "$jobs" || { status=1; continue; }
  echo "== $run: testing"
  # A finding ends its process with an error, so the test that found it fails.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1 \
  LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  TSAN_OPTIONS="suppressions=$root/tests/sanitizers/tsan.supp:second_deadlock_stack=1:exitcode=66" \
    ctest --test-dir "$build" --output-on-failure -j "$jobs" --timeout 3600 ${labels:+-L "$labels"} ||
    status=1
done
exit $status
