#!/usr/bin/env bash
# Builds the console and starts it from a prepared working folder.
# Usage: scripts/run.sh              demo mode
#        scripts/run.sh controller   against the controller on the COM port of port.cfg
#        scripts/run.sh ARGS...      the console with these arguments
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
if [ $# -eq 0 ]; then
  set -- demo
elif [ "$1" = controller ]; then
  shift
fi
exec "$root/build/ecu-console" "$@"
