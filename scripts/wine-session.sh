#!/usr/bin/env bash
# Starts or stops the Wine sessions that a test run shares:
#   wine-session.sh start DIR [--keeper PROGRAM] [SLOTS [NAME=DPI,WxH[,CAPTION]]...]
#                                                        (SLOTS defaults to 2)
#   wine-session.sh stop DIR
# Each slot N is DIR/slotN: a prefix of its own with a virtual desktop (where Wine
# itself decides activation and stacking, as Windows does), a private Xvfb and a
# wineserver that stays up between test programs, so that a test pays for starting
# one Windows process, not a display and a cold server. Two slots let two tests run
# at once, each with a desktop and a foreground of its own.
# A named slot, NAME=DPI,WxH[,CAPTION], is DIR/NAME: a prefix made for a screen of
# that DPI (and a title bar CAPTION pixels tall), without a virtual desktop, on an
# Xvfb of W x H, for a test program that must meet such a screen; tests/CMakeLists.txt
# lists them, and wine-run.sh --slot NAME runs in one. Every prefix of the session is
# made at the same time, the first time, from the prefix that scripts/wine-prefix.sh
# keeps outside the clone for its options, sharing its files where it can (--linked).
# --keeper PROGRAM: a Windows program that stays a user of its desktop until it is
# ended (tests/probe/desktop_keeper.cpp), started on each slot. Wine's desktop process
# comes with a desktop's first window and goes a second after its last user, so
# without a keeper each test program that shows a window would start one and leave it
# closing after the program, holding the slot (see wine-run.sh); with one, the
# desktop process starts once per slot and lives as long as the session.
# `start` leaves, per slot, `display` (the X display), `xvfb.pid`, `prefix-options`
# (the options its prefix was made with, which wine-run.sh makes it ready with again)
# and `baseline` (the PIDs of Wine's own services, the keeper and the desktop process
# it brought up, which live as long as the session); a test run
# (scripts/wine-run.sh --session DIR) counts any other process of the prefix left
# after it as left behind. `stop` ends each slot's Wine processes (its prefix's
# wineserver -k) and its Xvfb (by PID), and fails if a slot's Wine wrote into a file
# its prefix shares with another (wine-prefix.sh --check).
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# Each step's status is read by hand: a slot that fails to stop must not stop the rest.
set +e +o pipefail
action=${1:-}
dir=${2:+$(realpath -m "$2")}
[[ ($action == start || $action == stop) && -n $dir ]] || {
    echo "usage: $0 start DIR [--keeper PROGRAM] [SLOTS [NAME=DPI,WxH[,CAPTION]]...] | stop DIR" >&2
    exit 2
}
shift 2
keeper=""
if [[ $action == start && ${1:-} == --keeper ]]; then
    keeper=$(realpath -m "${2:?--keeper needs a program}")
    shift 2
fi

. "$here/scripts/wine-env.sh"
WINEDEBUG=-all

stop_slot() {
    local slot=$1 pid
    [[ -d $slot ]] || return 0
    local status=0
    if [[ -d $slot/prefix ]]; then
        wine_environment "$slot/prefix"
        wine_end_server
        "$here/scripts/wine-prefix.sh" --check "$slot/prefix" || status=1
    fi
    if [[ -f $slot/xvfb.pid ]]; then
        pid=$(cat "$slot/xvfb.pid")
        kill "$pid" 2>/dev/null
        for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    fi
    rm -f "$slot/display" "$slot/xvfb.pid" "$slot/baseline"
    return $status
}

# start_slot SLOT [SCREEN [PREFIX OPTIONS...]]: no options, a slot with a desktop.
start_slot() {
    local slot=$1 pid screen=${2:-1024x768} options=("${@:3}")
    ((${#options[@]} > 0)) || options=(--desktop)
    stop_slot "$slot"
    mkdir -p "$slot"
    wine_environment "$slot/prefix"
    "$here/scripts/wine-prefix.sh" "$slot/prefix" --linked "${options[@]}" || return 1
    ln -sfn "$(dirname "$dir")" "$slot/prefix/dosdevices/z:"
    start_private_xvfb "$screen" || { echo "wine-session: Xvfb did not start" >&2; return 1; }
    echo "$xvfb_pid" >"$slot/xvfb.pid"
    wine_env wineserver -p </dev/null >/dev/null 2>&1
    # One program brings up Wine's services; what runs after it is the baseline,
    # with the keeper and its desktop process. The keeper is a session of its own
    # with nothing of the caller's open (the test that starts the session would wait
    # for its output to close).
    wine_env wine cmd /c exit </dev/null >/dev/null 2>&1
    if [[ -n $keeper ]]; then
        wine_env setsid wine "$keeper" </dev/null >/dev/null 2>&1 &
        local deadline=$((SECONDS + 60)) up=""
        while [[ -z $up ]] && ((SECONDS < deadline)); do
            for pid in $(wine_prefix_pids "$WINEPREFIX"); do
                [[ $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) == *'explorer.exe /desktop'* ]] && up=$pid
            done
            [[ -n $up ]] || sleep 0.05
        done
        [[ -n $up ]] || { echo "wine-session: the keeper brought up no desktop process in 60 s" >&2; return 1; }
    fi
    wine_prefix_pids "$WINEPREFIX" | sort -n >"$slot/baseline"
    echo "${options[*]}" >"$slot/prefix-options"
    echo "$DISPLAY" >"$slot/display"
    echo "wine-session: slot $(basename "$slot") on display $DISPLAY ($screen, ${options[*]}), $(wc -l <"$slot/baseline") Wine processes"
}

case $action in
start)
    slots=${1:-2}
    mkdir -p "$dir"
    status=0
    names=() screens=() options=()
    for ((n = 0; n < slots; n++)); do
        names+=("slot$n") screens+=(1024x768) options+=(--desktop)
    done
    for named in "${@:2}"; do
        [[ $named =~ ^([A-Za-z0-9_]+)=([0-9]+),([0-9]+x[0-9]+)(,([0-9]+))?$ ]] ||
            { echo "wine-session: a named slot is NAME=DPI,WxH[,CAPTION], not $named" >&2; exit 2; }
        names+=("${BASH_REMATCH[1]}") screens+=("${BASH_REMATCH[3]}")
        options+=("--dpi ${BASH_REMATCH[2]}${BASH_REMATCH[5]:+ --caption ${BASH_REMATCH[5]}}")
    done
    # The prefixes are made once, at the same time.
    for i in "${!names[@]}"; do
        # shellcheck disable=SC2086 # the options are words
        "$here/scripts/wine-prefix.sh" "$dir/${names[i]}/prefix" --linked ${options[i]} &
    done
    wait
    # And the slots are started at the same time: each has a prefix, a display and a
    # server of its own (Xvfb picks a free display by itself).
    pids=()
    for i in "${!names[@]}"; do
        # shellcheck disable=SC2086
        start_slot "$dir/${names[i]}" "${screens[i]}" ${options[i]} &
        pids+=($!)
    done
    for pid in "${pids[@]}"; do
        wait "$pid" || status=1
    done
    exit $status
    ;;
stop)
    pids=()
    for slot in "$dir"/*/; do
        if [[ -d $slot/prefix ]]; then
            stop_slot "${slot%/}" &
            pids+=($!)
        fi
    done
    status=0
    for pid in "${pids[@]}"; do
        wait "$pid" || status=1
    done
    exit $status
    ;;
esac
