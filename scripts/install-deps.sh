#!/bin/sh
# Installs every Debian 12 package the project needs to build, run and test.
# Safe to run again: apt-get skips what is already there.
set -eu

PACKAGES="
  build-essential cmake ninja-build pkg-config python3 git
  qt6-base-dev libqt6printsupport6 qt6-translations-l10n fonts-wqy-microhei poppler-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  libprotobuf-dev protobuf-compiler
  libasio-dev nlohmann-json3-dev
  libsoci-dev libboost-dev libsqlite3-dev sqlite3 libpq-dev postgresql
  clang libclang-rt-14-dev
"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -n "$missing" ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "installing:$missing"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
