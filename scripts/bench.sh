#!/usr/bin/env bash
# Builds every benchmark program (optimised) and runs each in turn; each prints its figures.
# Usage: scripts/bench.sh [arguments passed to every benchmark]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --desktop
build="$root/build-bench"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DECU_BUILD_GUI=ON \
      -DECU_BUILD_TESTS=ON -DECU_BUILD_BENCH=ON "${launcher[@]}" >/dev/null
targets=()
for source in "$root"/bench/*.cpp; do
  targets+=("$(basename "$source" .cpp)")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "no benchmarks"
  exit 0
fi
cmake --build "$build" --parallel 3 --target "${targets[@]}"
# The desktop benchmark runs on an X server of its own, without and then with a window
# manager; the others run offscreen.
run_on_desktop() {
  local display=:93
  Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
  local server=$!
  sleep 1
  DISPLAY=$display "$build/bench/gui_desktop_bench" "no window manager" "$@"
  DISPLAY=$display openbox >/dev/null 2>&1 &
  local manager=$!
  sleep 1
  DISPLAY=$display "$build/bench/gui_desktop_bench" "openbox" "$@"
  kill "$manager" "$server" 2>/dev/null || true
  wait "$manager" "$server" 2>/dev/null || true
}
for target in "${targets[@]}"; do
  [ -x "$build/bench/$target" ] || continue
  echo "== $target"
  if [ "$target" = gui_desktop_bench ]; then
    run_on_desktop "$@"
  else
    QT_QPA_PLATFORM=offscreen "$build/bench/$target" "$@"
  fi
done
