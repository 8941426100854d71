#!/usr/bin/env bash
# Runs one Windows program under Wine the way the tests need it:
#   wine-run.sh --session DIR [--slot NAME] [--driver SCRIPT] PROGRAM [ARGS...]
#   wine-run.sh --prefix DIR [--own-display] [--driver SCRIPT] PROGRAM [ARGS...]
# The options come before PROGRAM, in any order; an option that does not belong to the
# kind of run is refused (exit status 2).
# Wine sees the suite's environment alone, nothing of the machine or of the caller's
# shell (scripts/wine-env.sh): always zh_CN.UTF-8, so that the ANSI code page is 936
# (GBK). Drive Z: is the one folder of the machine a run needs: in a session, the
# folder that holds the session's (the build tree); on its own, the folder above
# PROGRAM's (the build tree for build/bin/X.exe; for a PROGRAM without a folder, such
# as scripts/screenshot.sh's `explorer`, the folder above the current one, which is /
# when that is /).
# --session: inside a running session of scripts/wine-session.sh, in a slot that no
#   other run holds: each run holds its slot's lock until it ends, so that as many
#   runs go at once as there are slots (ctest -j 2 on two) and any more wait for a
#   slot to come free, for at most 960 s (slot_wait_seconds): longer than any test
#   may hold a slot, since ctest ends a test at its TIMEOUT (900 s at most, in
#   tests/CMakeLists.txt; a waiting test's own TIMEOUT may end its wait sooner). The
#   program starts as a fresh Windows process on the slot's desktop, whose display and
#   prefix are the slot's.
#   --slot NAME takes the session's slot of that name alone (a screen of another DPI,
#   see wine-session.sh), waiting as long while another run holds it.
#   When no session is up (listing a program's tests, say), the run is on its own, as
#   with --prefix on slot 0's prefix; a run that names a slot needs the session,
#   unless it only lists the program's tests.
# --prefix: on its own: the prefix (made ready by scripts/wine-prefix.sh), a private
#   Xvfb display of 1024 x 768, started and ended here by its PID (--own-display keeps
#   the caller's $DISPLAY instead); then every Wine process of the prefix is ended with
#   `wineserver -k`. Runs on one prefix are serialised with a lock.
# Either way, but for a run that only lists a program's tests, a process of the prefix
#   that the program leaves behind (anything but Wine's own server and services, still
#   there a few seconds after the program ended) fails the run, and is ended.
# --driver: the program runs in the background while SCRIPT runs with DISPLAY and
#   PROGRAM_PID set; then the program is waited for. A driver that fails fails the run.
# PANEL_DRIVE_D set: drive D: of the prefix is a fresh, empty folder for the run,
#   whose path the program finds in PANEL_DRIVE_D.
# PANEL_HEAP_CHECK=1: Wine's heap checker is on (WINEDEBUG=warn+heap): each heap call
#   checks the block it is given, the block's tail and, on reuse, the fill of a freed
#   block; it does not walk the whole heap on every call (only trace+heap does, far too
#   slowly). So every test program validates the whole heap after each test
#   (tests/support/test_main.cpp), which catches a write past a block that is never
#   freed. The run fails on anything the checker reports, but for the refusal of a
#   block too large to ever exist (which tests ask for on purpose) and for the reports
#   a program pauses the check for: a line "heap-check: paused for TEXT" on its error
#   output drops, until its line "heap-check: resumed", the reports that contain TEXT,
#   and no other; a pause that is never resumed fails the run.
# What fails a run, whatever the program's own exit status says:
# - a crash of the program, or of any program it started that writes to the same
#   output: with the crash dialog off (wine-prefix.sh), Wine says "wine: Unhandled ...
#   starting debugger" on the error output and winedbg prints "Unhandled exception:"
#   on the standard output before it ends the process from outside; the process's exit
#   status is then that of whichever of its threads ends last, 0 for a thread stopped
#   so, and cannot be trusted. The host ends the program the same way on a fault in
#   its own code that Wine would pass over (host/fault_watch.cpp);
# - a GoogleTest program (one that says "[==========] Running N tests") that selected
#   no test (a filter that matches nothing exits 0), or that ended before it reported
#   the end of all N ("[==========] N tests from M test suites ran.");
# - a process left behind, a driver that failed, the heap checker's report.
# The exit status is the program's when nothing of the above happened; 1 when any did
# (the program's own status when that is not 0); 3 when the run could not start it (no
# slot came free, no session is up for its slot, the prefix cannot be made, Xvfb did
# not start).
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# The program's exit status and the checks after it are read by hand.
set +e +o pipefail

usage() {
    [[ -z ${1:-} ]] || echo "wine-run: $1" >&2
    { echo "usage:"; sed -n '3,4s/^#//p' "${BASH_SOURCE[0]}"; } >&2
    exit 2
}
prefix=""
session=""
slot_name=""
own_display=""
driver=""
prefix_options=()
# The longest a run waits for a free slot of its session (see above).
slot_wait_seconds=960
while [[ $# -gt 0 ]]; do
    case $1 in
    --prefix) prefix=$(realpath -m "$2"); shift 2 ;;
    --session) session=$(realpath -m "$2"); shift 2 ;;
    --slot) slot_name=$2; shift 2 ;;
    --own-display) own_display=1; shift ;;
    --driver) driver=$2; shift 2 ;;
    --*) usage "unknown option $1" ;;
    *) break ;;
    esac
done
[[ $# -ge 1 ]] || usage "no program"
[[ -n $prefix || -n $session ]] || usage "--session or --prefix"
[[ -z $prefix || -z $session ]] || usage "--session or --prefix, not both"
[[ -z $session || -z $own_display ]] || usage "--own-display is for --prefix runs: a slot's display is the session's"
[[ -z $slot_name || -n $session ]] || usage "--slot names a slot of a --session"

. "$here/scripts/wine-env.sh"
WINEDEBUG=${WINEDEBUG:--all}

# Where the program shows its windows: on a private Xvfb of this run's own, on the
# caller's $DISPLAY, on the session slot's display, or on none.
display=private
slot=""
desktop="" linked=""
listing=""
if [[ -n $session ]]; then
    linked=--linked # as the session makes its prefixes
    desktop=--desktop
    live=()
    candidates=("$session"/slot*)
    [[ -z $slot_name ]] || candidates=("$session/$slot_name")
    for candidate in "${candidates[@]}"; do
        [[ -f $candidate/display && -f $candidate/xvfb.pid ]] &&
            kill -0 "$(cat "$candidate/xvfb.pid")" 2>/dev/null && live+=("$candidate")
    done
    if ((${#live[@]} > 0)); then
        display=slot
        deadline=$((SECONDS + slot_wait_seconds))
        while [[ -z $slot ]] && ((SECONDS < deadline)); do
            for candidate in "${live[@]}"; do
                exec 9>"$candidate/prefix.lock"
                flock -n 9 && { slot=$candidate; break; }
            done
            [[ -n $slot ]] || sleep 0.05
        done
        [[ -n $slot ]] || { echo "wine-run: no slot of $session came free in $slot_wait_seconds s" >&2; exit 3; }
        prefix=$slot/prefix
        # The slot's prefix is ready, made by the session with these options.
        read -ra prefix_options <"$slot/prefix-options"
        desktop=""
    else
        # Slot 0's prefix, made (once) as the session makes it.
        prefix=$session/slot0/prefix
        # Listing a program's tests needs no display, nor the screen of its slot, and
        # the server may stay up for the next listing: it ends by itself a few seconds
        # after its last process.
        [[ " $* " == *" --gtest_list_tests "* ]] && display=none listing=1
        [[ -n $listing || -z $slot_name ]] || { echo "wine-run: no session is up for the slot $slot_name" >&2; exit 3; }
    fi
elif [[ -n $own_display ]]; then
    display=caller
    [[ -n ${DISPLAY:-} ]] || usage "--own-display, but no \$DISPLAY"
    wine_passed+=(XAUTHORITY)
fi
wine_environment "$prefix"
"$here/scripts/wine-prefix.sh" "$prefix" $linked $desktop "${prefix_options[@]}" || { echo "wine-run: cannot make the prefix $prefix" >&2; exit 3; }

# A run in a slot holds its lock already.
if [[ -z $slot ]]; then
    exec 9>"$prefix.lock"
    flock 9
fi

xvfb_pid=""
drive_d=$prefix/dosdevices/d:
# Only a run on its own ends the prefix's processes; a session's live on.
end_own_processes() {
    [[ -n $slot || -n $listing ]] || wine_end_server
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
# that holds it (its bin folder's parent); see the opening comment for other programs.
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
fi

case $display in
none) unset DISPLAY ;;
private) start_private_xvfb || { echo "wine-run: Xvfb did not start" >&2; exit 3; } ;;
slot) DISPLAY=$(cat "$slot/display"); export DISPLAY ;;
caller) ;;
esac

# Both outputs pass through as they are, and are kept to be read after the run.
[[ ${PANEL_HEAP_CHECK:-} == 1 ]] && WINEDEBUG=warn+heap
out_log=$(mktemp)
err_log=$(mktemp)
exec 7>&1 8>&2
exec 1> >(tee "$out_log" >&7)
tee_pids=($!)
exec 2> >(tee "$err_log" >&8)
tee_pids+=($!)

# The program and what it starts keep the slot's lock. That includes Wine's desktop
# process when the program is the first on a quiet desktop (a session started
# without a keeper, see wine-session.sh): it ends a moment after the last program,
# and the next run takes the slot once it is gone, not while it closes (a program
# that came onto a closing desktop died of X errors).
if [[ -n $driver ]]; then
    wine_env wine "$@" &
    export PROGRAM_PID=$!
    bash "$driver"
    driver_status=$?
    wait "$PROGRAM_PID"
    status=$?
    if ((driver_status != 0)); then
        echo "wine-run: the driver $driver failed ($driver_status)" >&2
        status=1
    fi
else
    wine_env wine "$@"
    status=$?
fi

if [[ -z $listing ]]; then
    # What the program started must be gone by now, or be going (a process ending
    # takes Wine a moment): anything still there after a few seconds was left behind.
    left=""
    for _ in $(seq 100); do
        left=$(wine_leftovers "$prefix" ${slot:+"$slot/baseline"})
        [[ -z $left ]] && break
        sleep 0.05
    done
    if [[ -n $left ]]; then
        echo "wine-run: the run left these processes behind:" >&2
        sed 's/^/  /' <<<"$left" >&2
        [[ -z $slot ]] || kill -9 $(cut -d' ' -f1 <<<"$left") 2>/dev/null
        status=1
    fi
fi
end_own_processes
exec 1>&7 2>&8 7>&- 8>&-
wait "${tee_pids[@]}" 2>/dev/null
# fail TEXT...: the run fails, saying why on the error output.
fail() {
    echo "wine-run: $*" >&2
    ((status != 0)) || status=1
}
if grep -qE '^wine: Unhandled .*starting debugger' "$err_log" || grep -q '^Unhandled exception: ' "$out_log"; then
    fail "a program crashed (its exit status $status cannot be trusted):" \
        "$(grep -m 1 -E '^wine: Unhandled ' "$err_log" || grep -m 1 '^Unhandled exception: ' "$out_log")"
fi
if [[ -z $listing ]]; then
    selected=$(sed -n 's/^\[==========\] Running \([0-9]*\) tests\? from .*/\1/p' "$out_log" | head -n 1)
    if [[ $selected == 0 ]]; then
        fail "GoogleTest selected no test (a filter that matches nothing?)"
    elif [[ -n $selected ]] && ! grep -qE "^\[==========\] $selected tests? from [0-9]+ test suites? ran\." "$out_log"; then
        fail "the program ended before GoogleTest reported the end of its $selected selected tests"
    fi
fi
if [[ ${PANEL_HEAP_CHECK:-} == 1 ]]; then
    # Each pause names the text of the reports it is for (see above).
    reported=$(awk '/^heap-check: paused for / { sub(/^heap-check: paused for /, ""); pause = $0; next }
                    /^heap-check: resumed/ { pause = ""; next }
                    /^[0-9a-f]*:?(err|warn):heap/ && !/Could not allocate/ &&
                        (pause == "" || index($0, pause) == 0) { print }' "$err_log")
    # A pause that is never resumed, or that names no text, would hide the rest.
    unresumed=$(awk '/^heap-check: paused/ { open = $0 } /^heap-check: resumed/ { open = "" }
                     END { print open }' "$err_log")
    unnamed=$(grep -m 1 -E '^heap-check: paused' "$err_log" | grep -vE '^heap-check: paused for .' || true)
    if [[ -n $reported ]]; then
        fail "the heap checker reported:"
        head -n 20 <<<"$reported" >&2
    fi
    [[ -z $unresumed ]] || fail "the heap check was paused and never resumed: $unresumed"
    [[ -z $unnamed ]] || fail "a pause of the heap check names no report text: $unnamed"
fi
rm -f "$out_log" "$err_log"
exit $status
