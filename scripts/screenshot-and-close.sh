#!/usr/bin/env bash
# Driver for wine-run.sh (--driver): waits for the panel's window on $DISPLAY,
# photographs it into $SCREENSHOT once it is painted, then closes it with Esc as a
# user would. The photograph is the window's own rectangle: on a plain display the
# client area (Wine draws no frame there), in a Wine virtual desktop the window with
# its frame and title bar, whatever their size. Fails when no window comes, when it
# is never painted, or when the panel does not end on Esc.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
. "$here/scripts/wine-env.sh"
out=${SCREENSHOT:?the file to write the photograph to}

# The panel's top-level window: the visible X window of its program's class.
window=""
for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --class QuarvelPanel 2>/dev/null | head -n 1 || true)
    [[ -n $window ]] && break
    kill -0 "$PROGRAM_PID" 2>/dev/null || { echo "screenshot: the program ended without a window" >&2; exit 1; }
    sleep 0.1
done
status=0
if [[ -z $window ]]; then
    echo "screenshot: no window appeared within 20 s" >&2
    status=1
elif photograph_when_painted "$window" "$out"; then
    echo "screenshot: $out"
else
    echo "screenshot: the window was not painted within 20 s" >&2
    status=1
fi
# The window is the active one: Esc goes to it. Whatever is still running 10 s later
# is ended, so that the run never hangs.
xdotool key Escape
for _ in $(seq 100); do
    kill -0 "$PROGRAM_PID" 2>/dev/null || exit $status
    sleep 0.1
done
echo "screenshot: the panel did not end on Esc; ending it" >&2
wine_environment "$WINEPREFIX"
wine_end_server
exit 1
