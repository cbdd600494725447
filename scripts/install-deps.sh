#!/usr/bin/env bash
# Installs the Debian packages the console needs to build, run and test, when missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libasio-dev libgtest-dev libgmock-dev
          libbenchmark-dev clang-format adwaita-icon-theme)
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
