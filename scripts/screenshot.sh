#!/usr/bin/env bash
# Photographs the panel for the README, with its frame, into docs/screenshot.png:
#   scripts/screenshot.sh
# The program runs in a Wine virtual desktop of 1024 x 768 on a private Xvfb, where
# Wine draws the frame and title bar; scripts/screenshot-and-close.sh photographs the
# window's own rectangle once it is painted and closes it. Fails when that fails.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
"$here/scripts/configure.sh" --target QuarvelPanel

SCREENSHOT=$here/docs/screenshot.png "$here/scripts/wine-run.sh" --prefix "$build_dir/wineprefix" \
    --driver "$here/scripts/screenshot-and-close.sh" explorer /desktop=panel,1024x768 "$build_dir/bin/QuarvelPanel.exe"
