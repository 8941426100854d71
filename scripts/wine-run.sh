#!/usr/bin/env bash
# Runs one Windows program under Wine the way the tests need it:
#   wine-run.sh --prefix DIR [--no-display | --own-display] [--driver SCRIPT] PROGRAM.exe [ARGS...]
# - zh_CN.UTF-8, so that the ANSI code page is 936 (GBK);
# - a private WINEPREFIX (created once, quietly: no Mono or Gecko prompts);
# - a private Xvfb display, started here and ended here by its PID
#   (PANEL_SCREEN picks its size, 1024x768x24 by default);
#   (--own-display keeps the caller's $DISPLAY instead);
# - with --driver, the program runs in the background while SCRIPT runs with
#   DISPLAY and PROGRAM_PID set; then the program is waited for;
# - with PANEL_DRIVE_D set, drive D: of the prefix is that folder for the run;
# - with PANEL_HEAP_CHECK=1, Wine checks the heap on every operation
#   (WINEDEBUG=warn+heap) and the run fails on anything it reports, but for the
#   refusal of a block too large to ever exist (which tests ask for on purpose);
# - afterwards every Wine process of the prefix is ended with `wineserver -k`.
# Runs on one prefix are serialised with a lock, so that ending one run's Wine
# processes never cuts into another's. The exit status is the program's.
set -u

prefix=""
use_display=1
driver=""
while [[ $# -gt 0 ]]; do
    case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --no-display) use_display=0; shift ;;
    --own-display) use_display=2; shift ;;
    --driver) driver=$2; shift 2 ;;
    *) break ;;
    esac
done
[[ -n $prefix && $# -ge 1 ]] || { echo "usage: $0 --prefix DIR [--no-display|--own-display] [--driver SCRIPT] PROGRAM [ARGS...]" >&2; exit 2; }

export WINEPREFIX=$prefix
export LC_ALL=zh_CN.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32

mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9

ready=$prefix/.panel-ready-2 # bump when the set-up below changes
if [[ ! -f $ready ]]; then
    rm -rf "$prefix"
    DISPLAY= wineboot -i >/dev/null 2>&1
    # The Chinese system fonts are not installed here: render their face names with
    # an installed CJK font. Never stop on a crash dialog.
    for face in 宋体 新宋体 SimSun NSimSun; do
        DISPLAY= wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
    done
    DISPLAY= wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver -w
    touch "$ready"
fi

drive_d=$prefix/dosdevices/d:
if [[ -n ${PANEL_DRIVE_D:-} ]]; then
    rm -rf "$PANEL_DRIVE_D" && mkdir -p "$PANEL_DRIVE_D"
    ln -sfn "$PANEL_DRIVE_D" "$drive_d"
fi

xvfb_pid=""
stop_display() {
    if [[ -n $xvfb_pid ]]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
        xvfb_pid=""
    fi
}
trap 'wineserver -k 2>/dev/null; stop_display; [[ -z ${PANEL_DRIVE_D:-} ]] || rm -f "$drive_d"' EXIT
trap 'exit 130' INT TERM

if [[ $use_display -eq 1 ]]; then
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${PANEL_SCREEN:-1024x768x24}" -nolisten tcp 3>"$display_file" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [[ -s $display_file ]] && break
        sleep 0.05
    done
    number=$(head -n 1 "$display_file")
    rm -f "$display_file"
    [[ -n $number ]] || { echo "wine-run: Xvfb did not start" >&2; exit 3; }
    export DISPLAY=:$number
elif [[ $use_display -eq 0 ]]; then
    unset DISPLAY
fi

heap_log=""
if [[ ${PANEL_HEAP_CHECK:-} == 1 ]]; then
    export WINEDEBUG=warn+heap
    heap_log=$(mktemp)
    exec 8>&2 2> >(tee "$heap_log" >&8)
fi

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
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
stop_display
if [[ -n $heap_log ]]; then
    exec 2>&8
    sleep 0.2 # let tee write the last lines
    reported=$(grep -E '^[0-9a-f]*:?(err|warn):heap' "$heap_log" | grep -v 'Could not allocate' || true)
    if [[ -n $reported ]]; then
        echo "wine-run: the heap checker reported:" >&2
        head -n 20 <<<"$reported" >&2
        status=1
    fi
    rm -f "$heap_log"
fi
exit $status
