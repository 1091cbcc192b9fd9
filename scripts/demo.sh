#!/usr/bin/env bash
# Newcomer's first command: install what is missing, build the program and the demo school
# (build/fixtures/demo.db), and run icbridge on it the way the front-end does: the set-up questions
# first, then the extraction into demo-output/ and a multi-calendar extraction into
# demo-output-multical/. Exits non-zero when any step fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh --target icbridge --target icb_school_demo

school_db="$PWD/build/fixtures/demo.db"
step() { printf '\n$ icbridge %s\n' "$*"; }
connection() { printf '%s\n' --dsn="$school_db" --user=demo --pwd=demo --path="$1" --logpath="$1/logs"; }
mapfile -t ask < <(connection "$PWD/demo-output")

step version
build/icbridge version
step test --group=connection
build/icbridge test --group=connection "${ask[@]}"
step test --group=school
build/icbridge test --group=school --district=1 --school=10 "${ask[@]}"
step params --paramkey=district
build/icbridge params --paramkey=district "${ask[@]}"
step params --paramkey=school
build/icbridge params --paramkey=school --district=1 "${ask[@]}"
step params --paramkey=teacher
build/icbridge params --paramkey=teacher --district=1 --school=10 "${ask[@]}"

# One extraction into a folder; lists what it wrote.
extract() {
  local out="$1"
  shift
  local -a where
  mapfile -t where < <(connection "$out")
  step run "$@"
  local status=0
  build/icbridge run "$@" --log=consoleoff "${where[@]}" || status=$?
  printf '\nrun exited with %s; import folder %s:\n' "$status" "$out"
  ls -l "$out"
  return "$status"
}
options=(--district=1 --school=10 --filterhealthhist=true --filtercustom=true)
extract "$PWD/demo-output" "${options[@]}"
extract "$PWD/demo-output-multical" "${options[@]}" --multical=true
