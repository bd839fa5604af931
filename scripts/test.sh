#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
build=${TINDREL_TEST_BUILD:-build-asan}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTINDREL_SANITIZE=ON -DTINDREL_BENCH=ON
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@"

# The fuzz targets under libFuzzer, a bounded run each (the build above only replays their corpora).
if [ -z "${TINDREL_NO_FUZZ:-}" ] && command -v clang++ >/dev/null; then
  fuzz_build=${TINDREL_FUZZ_BUILD:-build-fuzz}
  cmake -S . -B "$fuzz_build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DTINDREL_SANITIZE=ON -DTINDREL_FUZZ=ON -DTINDREL_BENCH=OFF
  cmake --build "$fuzz_build" -j"$(nproc)" --target fuzz_all
  ctest --test-dir "$fuzz_build" --output-on-failure -j"$(nproc)" -L fuzz
fi
