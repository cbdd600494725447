#!/usr/bin/env bash
# Builds the console and starts it from a prepared working folder.
# Usage: scripts/run.sh              demo mode
#        scripts/run.sh controller   against the controller on the COM port of port.cfg
#        scripts/run.sh ARGS...      the console with these arguments
# ECU_JOBS caps the parallel build jobs (all processors by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The console is a desktop program: without a display it has nowhere to show its window.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<'MESSAGE'
run.sh: no display to show the console's window on (DISPLAY is not set).
Run it from a desktop session, or on a virtual X server:
    sudo apt-get install -y xvfb xauth
    xvfb-run -a bash scripts/run.sh
or start the server yourself:
    Xvfb :1 &
    DISPLAY=:1 bash scripts/run.sh
MESSAGE
  exit 1
fi
"$root/scripts/install-deps.sh"
jobs=${ECU_JOBS:-$(nproc)}
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DECU_BUILD_TESTS=OFF -DECU_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build" --parallel "$jobs"
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
