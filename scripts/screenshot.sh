#!/usr/bin/env bash
# Photographs the panel for the README, with its frame: the program runs in a Wine
# virtual desktop of 1024 x 768 on a private Xvfb, and the window's rectangle is cut
# out of the screen into docs/screenshot.png.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build_dir=${BUILD_DIR:-$here/build}
"$here/scripts/configure.sh" --target QuarvelPanel

driver=$(mktemp)
trap 'rm -f "$driver"' EXIT
cat >"$driver" <<'DRIVER'
# The window is there once the screen holds its picture, and painted once two
# photographs in a row are the same: at most 20 s.
shot=$(mktemp --suffix=.png) previous=$(mktemp --suffix=.png)
for _ in $(seq 200); do
    import -window root -crop 740x521+142+123 +repage "$shot" 2>/dev/null
    colours=$(convert "$shot" -format %k info: 2>/dev/null || echo 0)
    if [[ $colours -gt 1000 ]] && cmp -s "$shot" "$previous"; then
        cp "$shot" "$SCREENSHOT_OUT"
        break
    fi
    cp "$shot" "$previous"
    sleep 0.1
done
rm -f "$shot" "$previous"
# Esc closes the panel (the desktop hands keys to the active window). Whatever is
# still running 10 s later is ended, so that this script never hangs.
xdotool key Escape
for _ in $(seq 100); do kill -0 "$PROGRAM_PID" 2>/dev/null || exit 0; sleep 0.1; done
echo "screenshot: the panel did not end on Esc; ending it" >&2
wineserver -k
DRIVER
SCREENSHOT_OUT=$here/docs/screenshot.png "$here/scripts/wine-run.sh" --prefix "$build_dir/wineprefix" --driver "$driver" \
    explorer /desktop=panel,1024x768 "$build_dir/bin/QuarvelPanel.exe" || true
echo "screenshot: $here/docs/screenshot.png"
