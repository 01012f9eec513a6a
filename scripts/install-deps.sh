#!/bin/sh
# Installs what Hotaru needs to build, run, test and package on Debian 12.
# Safe to run again: packages already present are left alone.
set -eu
PACKAGES="build-essential cmake ninja-build pkg-config qt6-base-dev qt6-translations-l10n libgl-dev libsqlite3-dev sqlite3 \
libgtest-dev libbenchmark-dev fonts-ipafont-gothic xvfb xauth poppler-utils hyperfine \
dpkg-dev file"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
