#!/usr/bin/env bash
# Runs one Windows program under Wine the way the tests need it:
#   wine-run.sh --session DIR [--driver SCRIPT] PROGRAM.exe [ARGS...]
#   wine-run.sh --prefix DIR [--dpi N] [--caption PIXELS] [--screen WxH] [--own-display] [--driver SCRIPT] PROGRAM.exe [ARGS...]
# Always zh_CN.UTF-8, so that the ANSI code page is 936 (GBK), and nothing else of the
# machine's environment (scripts/wine-env.sh). Drive Z: is the program's build tree.
# --session: inside a running session of scripts/wine-session.sh, in a slot that no
#   other run holds: each run holds its slot's lock until it ends, so that as many
#   runs go at once as there are slots (ctest -j 2 on two) and any more wait for a
#   slot to come free. The program starts as a fresh Windows process on the slot's
#   desktop; a process of the prefix that it leaves behind fails the run and is ended.
#   When no session is up (listing a program's tests, say), the run is on its own, as
#   with --prefix on slot 0's prefix.
# --prefix: on its own: the prefix (made ready by scripts/wine-prefix.sh), a private
#   Xvfb display of 1024 x 768 (or --screen's size), started and ended here by its
#   PID (--own-display keeps the caller's $DISPLAY instead); then
#   every Wine process of the prefix is ended with `wineserver -k`. Runs on one prefix
#   are serialised with a lock. --dpi and --caption make the prefix with that screen
#   DPI and title bar height (scripts/wine-prefix.sh); give each set a prefix of its own.
# --driver: the program runs in the background while SCRIPT runs with DISPLAY and
#   PROGRAM_PID set; then the program is waited for.
# PANEL_DRIVE_D set: drive D: of the prefix is a fresh, empty folder for the run,
#   whose path the program finds in PANEL_DRIVE_D.
# PANEL_HEAP_CHECK=1: Wine checks the heap on every operation (WINEDEBUG=warn+heap) and
#   the run fails on anything it reports, but for the refusal of a block too large to
#   ever exist (which tests ask for on purpose) and what it reports between a line
#   "heap-check: paused..." and a line "heap-check: resumed" of the program's (around
#   a call of Wine's own code that trips the checker by itself).
# The exit status is the program's, or 1 when it left something behind or the heap
# checker spoke.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# The program's exit status and the checks after it are read by hand.
set +e +o pipefail

prefix=""
session=""
use_display=1
driver=""
prefix_options=()
screen=1024x768
while [[ $# -gt 0 ]]; do
    case $1 in
    --prefix) prefix=$(realpath -m "$2"); shift 2 ;;
    --session) session=$(realpath -m "$2"); shift 2 ;;
    --own-display) use_display=2; shift ;;
    --dpi | --caption) prefix_options+=("$1" "$2"); shift 2 ;;
    --screen) screen=$2; shift 2 ;;
    --driver) driver=$2; shift 2 ;;
    *) break ;;
    esac
done
[[ (-n $prefix || -n $session) && $# -ge 1 ]] || {
    echo "usage: $0 --session DIR | --prefix DIR [--dpi N] [--caption PIXELS] [--screen WxH] [--own-display] [--driver SCRIPT] PROGRAM [ARGS...]" >&2
    exit 2
}

. "$here/scripts/wine-env.sh"
export WINEDEBUG=${WINEDEBUG:--all}

slot=""
desktop=""
listing=""
if [[ -n $session ]]; then
    desktop=--desktop
    live=()
    for candidate in "$session"/slot*; do
        [[ -f $candidate/display && -f $candidate/xvfb.pid ]] &&
            kill -0 "$(cat "$candidate/xvfb.pid")" 2>/dev/null && live+=("$candidate")
    done
    if ((${#live[@]} > 0)); then
        use_display=3
        # At most as long as the longest test may take.
        for _ in $(seq 12000); do
            for candidate in "${live[@]}"; do
                exec 9>"$candidate/prefix.lock"
                flock -n 9 && { slot=$candidate; break; }
            done
            [[ -n $slot ]] && break
            sleep 0.05
        done
        [[ -n $slot ]] || { echo "wine-run: no slot of $session came free" >&2; exit 3; }
        prefix=$slot/prefix
    else
        prefix=$session/slot0/prefix
        # Listing a program's tests needs no display, and the server may stay up for
        # the next listing: it ends by itself a few seconds after its last process.
        [[ " $* " == *" --gtest_list_tests "* ]] && use_display=0 listing=1
    fi
fi
wine_environment "$prefix"
"$here/scripts/wine-prefix.sh" "$prefix" $desktop "${prefix_options[@]}" || { echo "wine-run: cannot make the prefix $prefix" >&2; exit 3; }

# A run in a slot holds its lock already.
if [[ -z $slot ]]; then
    exec 9>"$prefix.lock"
    flock 9
fi

xvfb_pid=""
drive_d=$prefix/dosdevices/d:
# Only a run on its own ends the prefix's processes; a session's live on.
end_own_processes() {
    if [[ -z $slot && -z $listing ]]; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
    fi
}
finish() {
    end_own_processes
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
        xvfb_pid=""
    fi
    [[ -z ${PANEL_DRIVE_D:-} ]] || rm -f "$drive_d"
}
trap finish EXIT
trap 'exit 130' INT TERM

# Drive Z: is the one folder of the machine that a program here needs: the build tree
# that holds it (its bin folder's parent), never the machine's root.
program_folder=$(dirname "$(realpath -m "$1")")
if [[ -n $session ]]; then
    ln -sfn "$(dirname "$session")" "$prefix/dosdevices/z:"
else
    ln -sfn "$(dirname "$program_folder")" "$prefix/dosdevices/z:"
fi

if [[ -n ${PANEL_DRIVE_D:-} ]]; then
    PANEL_DRIVE_D=$prefix.drive-d
    rm -rf "$PANEL_DRIVE_D" && mkdir -p "$PANEL_DRIVE_D"
    ln -sfn "$PANEL_DRIVE_D" "$drive_d"
    export PANEL_DRIVE_D
fi

case $use_display in
0) unset DISPLAY ;;
1) start_private_xvfb "$screen" || { echo "wine-run: Xvfb did not start" >&2; exit 3; } ;;
3) DISPLAY=$(cat "$slot/display"); export DISPLAY ;;
esac

heap_log=""
if [[ ${PANEL_HEAP_CHECK:-} == 1 ]]; then
    export WINEDEBUG=warn+heap
    heap_log=$(mktemp)
    exec 8>&2 2> >(tee "$heap_log" >&8)
    tee_pid=$!
fi

# The program and what it starts keep the slot's lock. That includes Wine's desktop
# process, which the first program on a quiet desktop starts and which ends a moment
# after the last one: the next run takes the slot once it is gone, not while it
# closes (a program that came onto a closing desktop died of X errors).
if [[ -n $driver ]]; then
    wine "$@" &
    export PROGRAM_PID=$!
    bash "$driver"
    wait "$PROGRAM_PID"
    status=$?
else
    wine "$@"
    status=$?
fi

end_own_processes
if [[ -n $slot ]]; then
    # What the program started must be gone by now, or be going (a process ending
    # takes Wine a moment): anything still there after a few seconds was left behind.
    left=""
    for _ in $(seq 100); do
        left=$("$here/scripts/wine-session.sh" leftovers "$slot")
        [[ -z $left ]] && break
        sleep 0.05
    done
    if [[ -n $left ]]; then
        echo "wine-run: the run left these processes behind:" >&2
        sed 's/^/  /' <<<"$left" >&2
        kill -9 $(cut -d' ' -f1 <<<"$left") 2>/dev/null
        status=1
    fi
fi
if [[ -n $heap_log ]]; then
    exec 2>&8 8>&-
    wait "$tee_pid" 2>/dev/null
    # A test may pause the check around a call into Wine's own code that trips it by
    # itself (it says so on its error output, a line before and a line after).
    reported=$(sed '/^heap-check: paused/,/^heap-check: resumed/d' "$heap_log" |
        grep -E '^[0-9a-f]*:?(err|warn):heap' | grep -v 'Could not allocate' || true)
    if [[ -n $reported ]]; then
        echo "wine-run: the heap checker reported:" >&2
        head -n 20 <<<"$reported" >&2
        status=1
    fi
    rm -f "$heap_log"
fi
exit $status
