#!/usr/bin/env bash
# Builds the console and starts it in demo mode from a prepared working folder.
# Usage: scripts/run.sh [arguments for the console; default "demo"]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DECU_BUILD_TESTS=OFF -DECU_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build" --parallel
work="$root/run"
mkdir -p "$work"
# The working folder keeps what the user changed (port, units); only missing files are laid down.
for file in port.cfg OEM.TXT; do
  [ -e "$work/$file" ] || cp "$root/defaults/$file" "$work/$file"
done
[ -e "$work/OEM.JPG" ] || cp "$root/build/defaults/OEM.JPG" "$work/OEM.JPG"
cd "$work"
if [ $# -eq 0 ]; then set -- demo; fi
exec "$root/build/ecu-console" "$@"
