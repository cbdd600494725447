#!/usr/bin/env bash
# Builds every benchmark program (optimised) and runs each in turn; each prints its figures.
# Usage: scripts/bench.sh [arguments passed to every benchmark]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
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
for target in "${targets[@]}"; do
  echo "== $target"
  QT_QPA_PLATFORM=offscreen "$build/bench/$target" "$@"
done
