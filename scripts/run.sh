#!/usr/bin/env bash
# Builds the console and starts it from a prepared working folder.
# Usage: scripts/run.sh              demo mode
#        scripts/run.sh controller   against the controller on the COM port of port.cfg
#        scripts/run.sh simulated [BAUD [DELAY]]
#                                    against a simulated controller on a pseudo-terminal,
#                                    its line paced at BAUD (38400; 0 answers at once),
#                                    each answer DELAY seconds late (0); it keeps its
#                                    calibration in run/simulated_calibration.txt
#        scripts/run.sh ARGS...      the console with these arguments
# ECU_JOBS caps the parallel build jobs (all processors by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The console is a desktop program: without a display it has nowhere to show its window.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  # The advice repeats the command as the user gave it, arguments and all.
  again="bash $(printf '%q' "$0")"
  for argument in "$@"; do again+=" $(printf '%q' "$argument")"; done
  cat >&2 <<MESSAGE
run.sh: no display to show the console's window on (DISPLAY is not set).
Run it from a desktop session, or on a virtual X server. Install one (as root, or with sudo):
    apt-get install -y xvfb xauth
then run
    xvfb-run -a $again
or start the server yourself:
    Xvfb :1 &
    DISPLAY=:1 $again
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
elif [ "$1" = simulated ]; then
  shift
  # The console opens the COM port port.cfg names; that port is pointed at the simulator.
  port=$(head -c 16 port.cfg 2>/dev/null | tr -c '0-9' ' ' | awk '{ print $1 + 0 }')
  { [ "${port:-0}" -ge 1 ] && [ "$port" -le 16 ]; } || port=1
  device_file=$(mktemp)
  # The simulator keeps its calibration in the working folder between runs.
  "$root/build/simulated_controller" --calibration "$work/simulated_calibration.txt" \
    "${1:-38400}" "${2:-0}" >"$device_file" &
  simulator=$!
  trap 'kill "$simulator" 2>/dev/null; wait "$simulator" 2>/dev/null; rm -f "$device_file"' EXIT
  for _ in $(seq 100); do
    [ -s "$device_file" ] && break
    kill -0 "$simulator" 2>/dev/null || { echo "run.sh: the simulated controller did not start" >&2; exit 1; }
    sleep 0.05
  done
  device=$(head -n 1 "$device_file")
  echo "run.sh: simulated controller on $device as COM$port"
  env "ECU_COM$port=$device" "$root/build/ecu-console"
  exit
fi
exec "$root/build/ecu-console" "$@"
