#!/usr/bin/env bash
# Installs the Debian packages the console needs to build, run and test, when missing.
# Usage: install-deps.sh [--desktop]   --desktop adds an X server and a window manager, for
#                                      the benchmarks that run the console on a desktop
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-private-dev libasio-dev libgtest-dev libgmock-dev
          libbenchmark-dev libxcb-xtest0-dev clang-format adwaita-icon-theme)
if [ "${1:-}" = --desktop ]; then
  packages+=(xvfb openbox)
fi
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
