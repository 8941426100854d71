#!/usr/bin/env bash
# Photographs the panel for the README, with its frame: the program runs in a Wine
# virtual desktop of 1024 x 768 on a private Xvfb, and the window's rectangle is cut
# out of the screen into docs/screenshot.png.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$here/build}
"$here/scripts/configure.sh" --target QuarvelPanel

driver=$(mktemp)
trap 'rm -f "$driver"' EXIT
cat >"$driver" <<DRIVER
sleep 5
import -window root -crop 740x521+142+123 +repage "$here/docs/screenshot.png"
# A click on the picture, away from the controls, then Esc closes the panel.
xdotool mousemove 150 140 click 1
sleep 0.3
xdotool key Escape
DRIVER
"$here/scripts/wine-run.sh" --prefix "$build_dir/wineprefix" --driver "$driver" \
    explorer /desktop=panel,1024x768 "$build_dir/bin/QuarvelPanel.exe" || true
echo "screenshot: $here/docs/screenshot.png"
