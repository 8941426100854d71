#!/usr/bin/env bash
# The rules by which a run of the suite fails (tests/support/test_main.cpp lists them)
# fail it: each case of probe/harness_canary.cpp that breaks one on purpose fails its
# run through scripts/wine-run.sh with the harness's own word for it, and the case that
# breaks none passes, with and without the heap check.
#   harness_check.sh SESSION_DIR CANARY.exe
# A crash's exit status is a race (whichever thread ends last), so the crash while
# threads poll runs 12 times: the old harness let one in six through as a pass.
session=$1 canary=$2
wine_run=$(dirname "${BASH_SOURCE[0]}")/../scripts/wine-run.sh
status=0
# expect STATUS TEXT [VAR=VALUE...] -- ARGS...: the run of the canary with ARGS (and
# those variables) ends with STATUS ("nonzero" for any but 0), and TEXT is on its
# output (for an empty TEXT: no word of wine-run's own).
expect() {
    local want=$1 text=$2 output code variables=()
    shift 2
    while [[ $1 != -- ]]; do variables+=("$1"); shift; done
    shift
    output=$(env "${variables[@]}" "$wine_run" --session "$session" "$canary" "$@" 2>&1)
    code=$?
    if { [[ $want == nonzero ]] && ((code == 0)); } || { [[ $want != nonzero ]] && ((code != want)); } ||
        { [[ -n $text ]] && ! grep -qF -- "$text" <<<"$output"; } ||
        { [[ -z $text ]] && grep -q '^wine-run:' <<<"$output"; }; then
        echo "canary ${variables[*]} $*: exit $code, expected $want with '${text:-no word of wine-run}'; its output:"
        sed 's/^/  /' <<<"$output"
        status=1
    fi
}
expect 0 "" -- --gtest_filter=Canary.BreaksNoRule
expect 0 "" PANEL_HEAP_CHECK=1 -- --gtest_filter=Canary.BreaksNoRule
for _ in $(seq 12); do
    expect nonzero "wine-run: a program crashed" -- --gtest_filter=Canary.CrashesWhileThreadsPoll
done
expect nonzero "wine-run: a program crashed" -- --gtest_filter=Canary.FaultsInsideItsWindowProcedure
expect nonzero "wine-run: a program crashed" -- --gtest_filter=Canary.StartsAProgramThatCrashes
expect nonzero "wine-run: GoogleTest selected no test" -- --gtest_filter=No.SuchCase
expect 1 "wine-run: the program ended before GoogleTest reported the end of its 2 selected tests" \
    -- --gtest_filter=Canary.EndsTheProgramHalfway:Canary.BreaksNoRule
expect nonzero "heap" PANEL_HEAP_CHECK=1 -- --gtest_filter=Canary.WritesIntoAFreedBlock
expect nonzero "heap" PANEL_HEAP_CHECK=1 -- --gtest_filter=Canary.OverrunsABlockItKeeps
expect 0 "" PANEL_HEAP_CHECK=1 -- --gtest_filter=Canary.WritesIntoAFreedBlockWhilePausedForIt
expect 1 "wine-run: the heap checker reported:" PANEL_HEAP_CHECK=1 \
    -- --gtest_filter=Canary.WritesIntoAFreedBlockWhilePausedForAnotherReport
expect 1 "wine-run: the heap check was paused and never resumed" PANEL_HEAP_CHECK=1 \
    -- --gtest_filter=Canary.PausesTheHeapCheckForGood
# A run as an older Windows shows it, and one whose release never reached the program
# fails.
expect 0 "" PANEL_AS_WINDOWS=7 -- --gtest_filter=Canary.BreaksNoRule --as-windows=7
expect 2 "as Windows 7: the program still finds GetDpiForWindow" -- --gtest_filter=Canary.BreaksNoRule --as-windows=7
exit $status
