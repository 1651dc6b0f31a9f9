#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: asks apt only when something is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libsqlite3-dev libssl-dev libcurl4-openssl-dev
  libasio-dev libmicrohttpd-dev libcpp-httplib-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  sqlite3
  qt6-base-dev qt6-svg-dev qt6-qpa-plugins fonts-nanum
  xvfb xauth imagemagick
  ccache dpkg-dev file librsvg2-bin desktop-file-utils appstream lintian xdg-utils systemd
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
