#!/usr/bin/env bash
# Builds the design program (Release, into build/) and starts it on a document:
#   scripts/run.sh [file]            the file, or samples/sign.t98
# Without a display it says how to start it, unless a picture is asked for:
#   TINDREL_SCREENSHOT=out.png scripts/run.sh [file]
# runs it off screen, writes a PNG of the main window once start-up has settled
# and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/deps.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
if [ ! -x build/bin/Tindrel ]; then
  echo "The design program Tindrel is not built yet (its application library is missing)." >&2
  exit 1
fi
args=()
if [ $# -gt 0 ]; then
  args=("$@")
elif [ -e samples/sign.t98 ]; then
  args=("$root/samples/sign.t98")
fi
if [ -n "${TINDREL_SCREENSHOT:-}" ]; then
  shot=$TINDREL_SCREENSHOT
  case $shot in /*) ;; *) shot=$root/$shot ;; esac
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=offscreen
  fi
  TINDREL_SCREENSHOT=$shot exec build/bin/Tindrel "${args[@]}"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<MSG
There is no display to show Tindrel on. Start it under a virtual X server:
    xvfb-run -a scripts/run.sh ${1:-}
or write a picture of its main window instead:
    TINDREL_SCREENSHOT=out.png scripts/run.sh ${1:-}
MSG
  exit 1
fi
exec build/bin/Tindrel "${args[@]}"
