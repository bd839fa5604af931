#!/usr/bin/env bash
# Builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
if [ -x build/bin/Tindrel ]; then
  exec build/bin/Tindrel "$@"
fi
echo "The design program Tindrel is not built yet: the foundation layers and their tests are in place."
