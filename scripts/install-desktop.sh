#!/usr/bin/env bash
# Makes Tindrel known to the desktop of the current user (on request only; the
# program itself registers nothing): a menu entry and the document type
# application/x-tindrel-design (*.t98, starting with "CVF98\0").
#   scripts/install-desktop.sh            installs (build the program first: scripts/run.sh)
#   scripts/install-desktop.sh --remove   takes both out again
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}
apps=$data/applications
mime=$data/mime
desktop=$apps/tindrel.desktop
package=$mime/packages/tindrel.xml

refresh() {
  command -v update-mime-database >/dev/null && update-mime-database "$mime" >/dev/null 2>&1 || true
  command -v update-desktop-database >/dev/null && update-desktop-database "$apps" >/dev/null 2>&1 || true
}

if [ "${1:-}" = "--remove" ]; then
  rm -f "$desktop" "$package"
  refresh
  echo "Removed $desktop and $package"
  exit 0
fi
if [ $# -gt 0 ]; then
  echo "usage: $0 [--remove]" >&2
  exit 2
fi

program=$root/build/bin/Tindrel
if [ ! -x "$program" ]; then
  echo "Build the program first (scripts/run.sh); $program is missing." >&2
  exit 1
fi
mkdir -p "$apps" "$mime/packages"
cat >"$package" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="application/x-tindrel-design">
    <comment>Tindrel sign design</comment>
    <glob pattern="*.t98"/>
    <magic priority="60">
      <match type="string" value="CVF98\\0" offset="0"/>
    </magic>
  </mime-type>
</mime-info>
XML
cat >"$desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Tindrel
Comment=Design signs and cut them on a vinyl cutter
Exec="$program" %f
MimeType=application/x-tindrel-design;
Categories=Graphics;VectorGraphics;
Terminal=false
DESKTOP
refresh
echo "Installed $desktop and $package"
