#!/usr/bin/env bash
# The heap-checked runs can see a fault: a program that corrupts its heap on purpose
# (probe/heap_canary.cpp) fails its run through scripts/wine-run.sh with the checker's
# report, a pause that is resumed hides the report, and one never resumed fails.
#   heap_check_canary.sh SESSION_DIR CANARY.exe
session=$1 canary=$2
wine_run=$(dirname "${BASH_SOURCE[0]}")/../scripts/wine-run.sh
status=0
# expect MODE STATUS TEXT: the run ends with STATUS, and TEXT is on its error output
# (or, for an empty TEXT, nothing of wine-run's own).
expect() {
    local output code
    output=$(PANEL_HEAP_CHECK=1 "$wine_run" --session "$session" "$canary" "$1" 2>&1)
    code=$?
    if [[ $code != "$2" ]] || { [[ -n $3 ]] && ! grep -qF -- "$3" <<<"$output"; } ||
        { [[ -z $3 ]] && grep -q '^wine-run:' <<<"$output"; }; then
        echo "canary '$1': exit $code, expected $2 with '${3:-no report}'; its output:"
        sed 's/^/  /' <<<"$output"
        status=1
    fi
}
expect "" 1 "wine-run: the heap checker reported:"
expect paused-resumed 0 ""
expect paused 1 "wine-run: the heap check was paused and never resumed"
exit $status
