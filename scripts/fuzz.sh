#!/usr/bin/env bash
# Runs one fuzz target under libFuzzer for as long as asked.
# Usage: scripts/fuzz.sh TARGET [SECONDS]     (TARGET: segarray, record, ini, ... ; see fuzz/)
# New inputs that reach new code go to build-fuzz/fuzz/corpus/TARGET; crashes, hangs
# and leaks are kept in fuzz/crashes/TARGET/, which every test run replays from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS]}
seconds=${2:-600}
scripts/deps.sh test
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DTINDREL_SANITIZE=ON -DTINDREL_FUZZ=ON -DTINDREL_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "fuzz_$target" fuzz_seeds
build-fuzz/bin/fuzz_seeds build-fuzz/fuzz/seeds
mkdir -p "build-fuzz/fuzz/corpus/$target" "fuzz/crashes/$target"
dirs=()
for d in "build-fuzz/fuzz/seeds/$target" "fuzz/corpus/$target" "fuzz/crashes/$target"; do
  [ -d "$d" ] && dirs+=("$d")
done
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
exec "build-fuzz/bin/fuzz_$target" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 -artifact_prefix="fuzz/crashes/$target/" \
  "build-fuzz/fuzz/corpus/$target" "${dirs[@]}"
