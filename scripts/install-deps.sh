#!/usr/bin/env bash
# Installs the Debian packages that building, the demo and the tests need (only the missing ones).
set -euo pipefail
packages=(build-essential cmake ninja-build qt6-base-dev libsqlite3-dev unixodbc-dev unixodbc sqlite3 libsqliteodbc
          googletest libgtest-dev libgmock-dev libbenchmark-dev python3
          odbc-postgresql libhsqldb-java default-jre-headless systemd)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
