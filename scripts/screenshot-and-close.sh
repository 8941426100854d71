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
sleep 1.5 # let the first paint finish
import -window "$window" "${SCREENSHOT:-screenshot.png}"
echo "screenshot: ${SCREENSHOT:-screenshot.png}"
xdotool windowraise "$window"
# A click on the background, away from every control, gives the window the keyboard.
xdotool mousemove --window "$window" 6 6 click 1
sleep 0.2
xdotool key Escape
# Whatever is still running 10 s later is ended, so that the run never hangs.
for _ in $(seq 100); do kill -0 "$PROGRAM_PID" 2>/dev/null || exit 0; sleep 0.1; done
echo "the panel did not end on Esc; ending it" >&2
wineserver -k
