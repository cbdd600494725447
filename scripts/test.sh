#!/usr/bin/env bash
# Builds the optimised release with its tests (its inlining shows warnings the other builds
# miss, in the tests as much as in the console) and runs them, then builds and runs every
# test again: once with debug information, once under AddressSanitizer and
# UndefinedBehaviorSanitizer. Warnings are errors in every build. ECU_JOBS caps the parallel
# jobs (all processors by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
jobs=${ECU_JOBS:-$(nproc)}

cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DECU_WERROR=ON -DECU_BUILD_TESTS=ON -DECU_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build-release" --parallel "$jobs"
(cd "$root/build-release" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

cmake -S "$root" -B "$root/build-test" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DECU_WERROR=ON >/dev/null
cmake --build "$root/build-test" --parallel "$jobs"
(cd "$root/build-test" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")

cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DECU_WERROR=ON -DECU_SANITIZE=ON -DECU_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build-asan" --parallel "$jobs"
(cd "$root/build-asan" && QT_QPA_PLATFORM=offscreen \
   ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp" \
   UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j "$jobs")
