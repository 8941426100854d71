#!/usr/bin/env bash
# Starts or stops the Wine sessions that a test run shares:
#   wine-session.sh start DIR [SLOTS]    (SLOTS defaults to 2)
#   wine-session.sh stop DIR
#   wine-session.sh leftovers DIR/slotN  (the processes a test run left behind)
# Each slot N is DIR/slotN: a prefix of its own with a virtual desktop (where Wine
# itself decides activation and stacking, as Windows does), a private Xvfb and a
# wineserver that stays up between test programs, so that a test pays for starting
# one Windows process, not a display and a cold server. Two slots let two tests run
# at once, each with a desktop and a foreground of its own.
# `start` leaves, per slot, `display` (the X display), `xvfb.pid` and `baseline`
# (the PIDs of Wine's own services, which live as long as the session); a test run
# (scripts/wine-run.sh --session DIR) counts any other process of the prefix left
# after it as left behind. `stop` ends every process of the sessions, by PID.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# Each step's status is read by hand: a slot that fails to stop must not stop the rest.
set +e +o pipefail
action=${1:-}
dir=${2:+$(realpath -m "$2")}
[[ ($action == start || $action == stop || $action == leftovers) && -n $dir ]] || {
    echo "usage: $0 start|stop DIR [SLOTS] | leftovers SLOTDIR" >&2
    exit 2
}

. "$here/scripts/wine-env.sh"
export WINEDEBUG=-all

# PIDs of the Wine processes (the loader and the server: not the shells and tools
# around them) whose environment names this prefix.
prefix_pids() {
    local pid
    for pid in $(grep -lzxF "WINEPREFIX=$1" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3); do
        [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wine* ]] && echo "$pid"
    done
}

# Wine's own services, which start when first needed and live as long as the session.
services='^C:\\windows\\system32\\(services|winedevice|plugplay|svchost|rpcss)\.exe( |$)|^C:\\windows\\system32\\explorer\.exe /desktop'

# The processes of a slot that are not part of its session, one per line: PID and
# command line.
leftovers() {
    local slot=$1 pid command
    for pid in $(prefix_pids "$slot/prefix"); do
        grep -qxF "$pid" "$slot/baseline" && continue
        [[ $(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null) == Z ]] && continue
        command=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)
        [[ -z $command ]] || grep -qE "$services" <<<"$command" && continue
        echo "$pid $command"
    done
}

stop_slot() {
    local slot=$1 pid
    [[ -d $slot ]] || return 0
    if [[ -d $slot/prefix ]]; then
        WINEPREFIX=$slot/prefix wineserver -k 2>/dev/null
        WINEPREFIX=$slot/prefix wineserver -w 2>/dev/null
    fi
    if [[ -f $slot/xvfb.pid ]]; then
        pid=$(cat "$slot/xvfb.pid")
        kill "$pid" 2>/dev/null
        for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    fi
    rm -f "$slot/display" "$slot/xvfb.pid" "$slot/baseline"
}

start_slot() {
    local slot=$1 pid
    stop_slot "$slot"
    mkdir -p "$slot"
    wine_environment "$slot/prefix"
    "$here/scripts/wine-prefix.sh" "$slot/prefix" --desktop || return 1
    ln -sfn "$(dirname "$dir")" "$slot/prefix/dosdevices/z:"
    start_private_xvfb || { echo "wine-session: Xvfb did not start" >&2; return 1; }
    echo "$xvfb_pid" >"$slot/xvfb.pid"
    wineserver -p </dev/null >/dev/null 2>&1
    # One program brings up Wine's services; what runs after it is the baseline.
    # (Not the desktop process: it comes with a test's first window and goes a moment
    # after the last, holding the slot's lock, see wine-run.sh.)
    wine cmd /c exit </dev/null >/dev/null 2>&1
    prefix_pids "$WINEPREFIX" | sort -n >"$slot/baseline"
    echo "$DISPLAY" >"$slot/display"
    echo "wine-session: slot $(basename "$slot") on display $DISPLAY, $(wc -l <"$slot/baseline") Wine processes"
}

case $action in
start)
    slots=${3:-2}
    mkdir -p "$dir"
    status=0
    # The prefixes are made at the same time (about 10 s each, once).
    for ((n = 0; n < slots; n++)); do
        (wine_environment "$dir/slot$n/prefix" && "$here/scripts/wine-prefix.sh" "$dir/slot$n/prefix" --desktop) &
    done
    wait
    for ((n = 0; n < slots; n++)); do start_slot "$dir/slot$n" || status=1; done
    exit $status
    ;;
leftovers)
    leftovers "$dir"
    ;;
stop)
    for slot in "$dir"/slot*; do stop_slot "$slot" & done
    wait
    ;;
esac
