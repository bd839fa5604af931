#!/usr/bin/env bash
# Runs fuzz targets under libFuzzer.
# Usage: scripts/fuzz.sh TARGET [SECONDS]          one target (segarray, record, ini, ...; see fuzz/)
#        scripts/fuzz.sh --changed [SECONDS] [BASE] every target whose sources or libraries'
#                                                  folders the change since BASE (default: main,
#                                                  or HEAD~1 on main) touched, uncommitted work included
# New inputs that reach new code go to build-fuzz/fuzz/corpus/TARGET; crashes, hangs
# and leaks are kept in fuzz/crashes/TARGET/, which every test run replays from then on.
set -euo pipefail
cd "$(dirname "$0")/.."

# The folders each library of a target stands on.
folders_of() {
  case "$1" in
    tindrel_platform) echo "platform" ;;
    tindrel_model) echo "platform framework model" ;;
    tindrel_text) echo "platform framework model text" ;;
    tindrel_output) echo "platform framework model text output" ;;
    tindrel_cutjob) echo "platform output/jobfile" ;;
    tindrel_cutmanager) echo "platform framework output/jobfile cutmanager" ;;
    tindrel_import) echo "platform importfilter" ;;
    tindrel_app) echo "platform framework model text output outside app importfilter" ;;
    twain_core) echo "platform outside/twain" ;;
    *) echo "" ;;
  esac
}

changed_targets() {
  local base=$1 changed
  changed=$( (git diff --name-only "$base"; git ls-files --others --exclude-standard) | sort -u)
  while read -r line; do
    [[ $line =~ ^tindrel_fuzz_target\(([a-z0-9_]+)(.*)\)$ ]] || continue
    local name=${BASH_REMATCH[1]} libs=${BASH_REMATCH[2]} hit=
    if grep -qx "fuzz/$name.cpp" <<<"$changed" || grep -qE '^fuzz/[^/]+\.h$' <<<"$changed"; then hit=1; fi
    for lib in $libs; do
      for folder in $(folders_of "$lib"); do
        grep -q "^$folder/" <<<"$changed" && hit=1
      done
    done
    [ -n "$hit" ] && echo "$name"
  done < fuzz/CMakeLists.txt
}

run_target() {
  local target=$1 seconds=$2 dirs=()
  mkdir -p "build-fuzz/fuzz/corpus/$target" "fuzz/crashes/$target"
  for d in "build-fuzz/fuzz/seeds/$target" "fuzz/corpus/$target" "fuzz/crashes/$target"; do
    [ -d "$d" ] && dirs+=("$d")
  done
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} "build-fuzz/bin/fuzz_$target" -max_total_time="$seconds" \
    -timeout=5 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="fuzz/crashes/$target/" "build-fuzz/fuzz/corpus/$target" "${dirs[@]}"
}

configure() {
  scripts/deps.sh test
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DTINDREL_SANITIZE=ON -DTINDREL_FUZZ=ON -DTINDREL_BENCH=OFF >/dev/null
}

if [ "${1:-}" = --changed ]; then
  seconds=${2:-120}
  base=${3:-}
  if [ -z "$base" ]; then
    base=main
    [ "$(git rev-parse HEAD)" = "$(git rev-parse main 2>/dev/null || true)" ] && base=HEAD~1
  fi
  mapfile -t targets < <(changed_targets "$base")
  if [ ${#targets[@]} -eq 0 ]; then
    echo "No fuzz target stands on what changed since $base."
    exit 0
  fi
  echo "Fuzzing for ${seconds}s each: ${targets[*]}"
  configure
  cmake --build build-fuzz -j"$(nproc)" --target fuzz_seeds $(printf 'fuzz_%s ' "${targets[@]}")
  build-fuzz/bin/fuzz_seeds build-fuzz/fuzz/seeds
  failed=()
  for t in "${targets[@]}"; do run_target "$t" "$seconds" || failed+=("$t"); done
  if [ ${#failed[@]} -gt 0 ]; then
    echo "Findings in: ${failed[*]} (inputs kept in fuzz/crashes/)"
    exit 1
  fi
  exit 0
fi

target=${1:?usage: scripts/fuzz.sh TARGET [SECONDS] | --changed [SECONDS] [BASE]}
seconds=${2:-600}
configure
cmake --build build-fuzz -j"$(nproc)" --target "fuzz_$target" fuzz_seeds
build-fuzz/bin/fuzz_seeds build-fuzz/fuzz/seeds
run_target "$target" "$seconds"
