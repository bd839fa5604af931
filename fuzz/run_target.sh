#!/usr/bin/env bash
# run_target.sh PROGRAM WORKDIR DIR...
# A libFuzzer program runs a bounded number of inputs, new inputs going to
# WORKDIR, from a fixed seed so that runs repeat; a replay program runs every
# file of the folders that exist.
set -euo pipefail
prog=$1 work=$2
shift 2
dirs=()
for d in "$@"; do [ -d "$d" ] && dirs+=("$d"); done
help=$("$prog" -help=1 2>&1 || true)
if [[ $help == *max_total_time* ]]; then
  mkdir -p "$work" "$work.artifacts"
  exec "$prog" -seed="${TINDREL_FUZZ_SEED:-1}" -runs="${TINDREL_FUZZ_RUNS:-20000}" -max_total_time="${TINDREL_FUZZ_SECONDS:-20}" \
    -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$work.artifacts/" "$work" "${dirs[@]}"
fi
exec "$prog" "${dirs[@]}"
