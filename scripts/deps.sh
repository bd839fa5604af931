#!/usr/bin/env bash
# Installs the Debian packages a build needs, when they are missing.
# Usage: scripts/deps.sh [test|ci|run|bench]
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config git python3
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev libfreetype-dev libfontconfig-dev libicu-dev libpolyclipping-dev
  fonts-dejavu-core fonts-arphic-gbsn00lp fonts-arphic-bsmi00lp
  qt6-base-dev xvfb xauth
  libcairo2-dev libcups2-dev libpotrace-dev libsane-dev)
# The fuzz targets need clang and its libFuzzer runtime; the user-road test a real
# X server, a window manager and tools that drive and inspect windows; the print
# tests a private print server; the export tests read back with hp2xx and ghostscript.
if [ "${1:-}" = test ] || [ "${1:-}" = ci ]; then
  packages+=(clang libclang-rt-14-dev xvfb openbox xdotool x11-utils x11-apps)
  packages+=(cups-daemon cups-client ghostscript hp2xx)
  # Typing Chinese on the user road: fcitx5's pinyin on a private session bus.
  packages+=(fcitx5 fcitx5-chinese-addons fcitx5-frontend-qt6 dbus-daemon)
fi
# CI adds one more Chinese font, as desktops have: the tests must not see it.
if [ "${1:-}" = ci ]; then packages+=(fonts-droid-fallback); fi
# The import and tracing benchmarks compare with these programs: scripts/deps.sh bench
if [ "${1:-}" = bench ]; then packages+=(hp2xx python3-ezdxf pstoedit potrace); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
