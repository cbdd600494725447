#!/usr/bin/env bash
# Builds the optimised release (its inlining shows warnings the other builds miss), then
# builds and runs every test: once plainly, once under AddressSanitizer and
# UndefinedBehaviorSanitizer. Warnings are errors in every build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
jobs=$(nproc)

cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DECU_WERROR=ON -DECU_BUILD_TESTS=OFF -DECU_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build-release" --parallel "$jobs"

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
