#!/usr/bin/env bash
# Driver for wine-run.sh: waits for the panel's window on $DISPLAY, photographs it
# into $SCREENSHOT, then closes it with Esc as a user would.
set -u
window=""
for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --class 'QuarvelPanel' 2>/dev/null | head -n 1)
    [[ -n $window ]] && break
    kill -0 "$PROGRAM_PID" 2>/dev/null || exit 0
    sleep 0.1
done
[[ -n $window ]] || { echo "no window appeared" >&2; exit 1; }
# Painted once two photographs in a row are the same: at most 20 s.
out=${SCREENSHOT:-screenshot.png}
previous=$(mktemp --suffix=.png)
for _ in $(seq 200); do
    import -window "$window" "$out" 2>/dev/null
    cmp -s "$out" "$previous" && break
    cp "$out" "$previous"
    sleep 0.1
done
rm -f "$previous"
echo "screenshot: $out"
# The window is the active one: Esc goes to it.
xdotool key Escape
# Whatever is still running 10 s later is ended, so that the run never hangs.
for _ in $(seq 100); do kill -0 "$PROGRAM_PID" 2>/dev/null || exit 0; sleep 0.1; done
echo "the panel did not end on Esc; ending it" >&2
wineserver -k
