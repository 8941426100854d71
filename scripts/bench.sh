#!/usr/bin/env bash
# Builds the benchmarks and prints their figures as a Markdown table:
#   RUNS=20 scripts/bench.sh     (RUNS, 20 by default, is the number of timed rounds)
#   scripts/bench.sh --timeline  (the moments of one start of the panel's benchmark
#                                 build, traced_panel.exe, and of the reference's,
#                                 traced_reference.exe: the upper median of 10 each)
# The start figures are bench/start_driver.cpp's: the panel and the reference in turns,
# to the picture on screen and to "visible and idle", each with the upper median of the
# rounds' panel / reference ratios. Every median here is the upper one, the middle value
# of an odd count or the higher of the two middle ones of an even count.
# PANEL_WINE=8 (the default) runs them under Wine 8, PANEL_WINE=10 under Wine 10 in the
# Debian 13 root (scripts/debian13-root.sh), as scripts/test.sh chooses its Wine; each
# Wine has a prefix of its own in the build folder.
# Figures only: nothing here fails on timing. It fails when a benchmark program fails
# (a start that did not get ready, paint, answer or end within the driver's deadlines,
# no folder button to click, a picture that did not decode), when a benchmark program
# does not end within its deadline here, or when a figure is missing.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
"$here/scripts/configure.sh" --target QuarvelPanel reference_panel start_driver decode_bench traced_panel traced_reference >/dev/null
bin=$build_dir/bin
# Wine sees the build tree alone (drive Z:), so the runs start from inside it.
cd "$build_dir"
case ${PANEL_WINE:-8} in
8) run=("$here/scripts/wine-run.sh" --prefix "$build_dir/wineprefix") ;;
10)
    "$here/scripts/debian13-root.sh" "$debian13_root"
    binds=(--bind "$here")
    [[ $build_dir == "$here" || $build_dir == "$here"/* ]] || binds+=(--bind "$build_dir")
    run=("$here/scripts/in-root.sh" "$debian13_root" "${binds[@]}" --
         "$here/scripts/wine-run.sh" --prefix "$build_dir/wineprefix10")
    ;;
*) echo "bench: no Wine ${PANEL_WINE} here (8 or 10)" >&2; exit 2 ;;
esac
if [[ ${1:-} == --timeline ]]; then
    for traced in traced_panel traced_reference; do
        echo "$traced:"
        timeout -k 30 600 "${run[@]}" "$bin/start_driver.exe" --timeline 10 $traced.exe | tr -d '\r' || exit
    done
    exit
fi
out=$(mktemp)
trap 'rm -f "$out"' EXIT

# bench SECONDS PREFIX PROGRAM [ARGS...]: the program's figures, each line's name
# prefixed; the run is ended (and fails) when it takes longer than SECONDS.
bench() {
    local seconds=$1 prefix=$2 figures status=0
    shift 2
    figures=$(timeout -k 30 "$seconds" "${run[@]}" "$@") || status=$?
    if ((status == 124)); then
        echo "bench: $(basename "$1") did not end within $seconds s" >&2
        exit 1
    elif ((status != 0)); then
        echo "bench: $(basename "$1") failed (exit status $status)" >&2
        exit 1
    fi
    tr -d '\r' <<<"$figures" | sed "s/^/$prefix/" >>"$out"
}
# The driver starts the programs from its own folder.
# Its own deadlines bound each start (30 s), each message (10 s) and each end (20 s).
runs=${RUNS:-20}
bench $((300 + runs * 2 * 60)) "" "$bin/start_driver.exe" "$runs" "panel=$(basename "$bin/QuarvelPanel.exe")" \
    "reference=$(basename "$bin/reference_panel.exe")"
bench 300 simd. "$bin/decode_bench.exe" 200
JSIMD_FORCENONE=1 bench 300 plain. "$bin/decode_bench.exe" 200

missing=$(mktemp)
trap 'rm -f "$out" "$missing"' EXIT
# value NAME: a figure; one that no program gave is noted, and fails the run below.
value() {
    local figure
    figure=$(awk -v k="$1" '$1 == k { print $2 }' "$out")
    [[ -n $figure ]] || echo "$1" >>"$missing"
    echo "$figure"
}
ratio() { awk -v a="$(value "$1")" -v b="$(value "$2")" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
size_kb=$(( $(stat -c %s "$bin/QuarvelPanel.exe") / 1024 ))
imports=$(i686-w64-mingw32-objdump -p "$bin/QuarvelPanel.exe" | awk '/DLL Name/ { print $3 }' | sort | paste -sd ' ')

table=$(cat <<TABLE
| figure | panel | reference | panel / reference |
|---|---|---|---|
| start to the picture on screen, upper median of $runs (ms) | $(value panel.paint_ms_median) | $(value reference.paint_ms_median) | $(value panel_to_reference.paint_ratio_median) (upper median of the $runs rounds' ratios) |
| start to the picture on screen, min .. max (ms) | $(value panel.paint_ms_min) .. $(value panel.paint_ms_max) | $(value reference.paint_ms_min) .. $(value reference.paint_ms_max) | |
| start to visible and idle, upper median of $runs (ms) | $(value panel.ready_ms_median) | $(value reference.ready_ms_median) | $(value panel_to_reference.ready_ratio_median) (upper median of the $runs rounds' ratios) |
| start to visible and idle, min .. max (ms) | $(value panel.ready_ms_min) .. $(value panel.ready_ms_max) | $(value reference.ready_ms_min) .. $(value reference.ready_ms_max) | |
| start to the window visible, upper median of $runs (ms) | $(value panel.visible_ms_median) | $(value reference.visible_ms_median) | |
| processor time in 10 s idle (ms) | $(value panel.idle_cpu_ms_10s) | $(value reference.idle_cpu_ms_10s) | |
| peak working set after start (KiB) | $(value panel.peak_working_set_kb_after_start) | $(value reference.peak_working_set_kb_after_start) | $(ratio panel.peak_working_set_kb_after_start reference.peak_working_set_kb_after_start) |
| private bytes after start (KiB) | $(value panel.private_kb_after_start) | $(value reference.private_kb_after_start) | $(ratio panel.private_kb_after_start reference.private_kb_after_start) |
| peak working set after 1,000 actions (KiB) | $(value panel.peak_working_set_kb_after_1000_actions) | $(value reference.peak_working_set_kb_after_1000_actions) | |
| private bytes after 1,000 actions (KiB) | $(value panel.private_kb_after_1000_actions) | $(value reference.private_kb_after_1000_actions) | |
| picture decode, SIMD, median (µs) | $(value simd.decode_us_median) | | |
| picture decode, no SIMD, median (µs) | $(value plain.decode_us_median) | | $(ratio simd.decode_us_median plain.decode_us_median) (SIMD / plain) |
| QuarvelPanel.exe size (KiB) | $size_kb | | |
| DLLs it imports | $imports | | |
TABLE
)
if [[ -s $missing ]]; then
    echo "bench: no figure for $(sort -u "$missing" | paste -sd ' ')" >&2
    exit 1
fi
echo "$table"
