#!/usr/bin/env bash
# Measures again the figures of the README's "Measured figures" section, at the
# current commit, and prints them:
#   scripts/figures.sh [--long]
# - the commit, the date, the cores and Wine's version;
# - scripts/bootstrap.sh on a ready machine: 11 runs, the fastest and the slowest;
# - the exe's size and what it is made of (scripts/size-report.sh);
# - scripts/package.sh in a new folder (a temporary one), from the bootstrap on;
# - the benchmarks' table (scripts/bench.sh; RUNS=20 unless RUNS says otherwise): the
#   start to the picture on screen and to "visible and idle", panel and reference,
#   each with the upper median of the paired rounds' ratios;
# - the timelines of the panel's start and the reference's (scripts/bench.sh --timeline);
# - with --long, also: the test command from a clean clone of the commit (.ci/run in a
#   temporary folder), its wall time and the ctest time of each Wine, and
#   scripts/check-reproducible.sh's time. About 10 minutes; the clone shares the
#   Debian 13 root, which must be made already for the figure to be the suite's.
# The times depend on the machine and on what else runs on it: take them on a quiet
# one. Nothing here fails on a figure; it fails when a step it measures fails.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
long=""
case ${1:-} in
--long) long=1 ;;
"") ;;
*) echo "usage: $0 [--long]" >&2; exit 2 ;;
esac
work=$(mktemp -d "${TMPDIR:-/tmp}/panel-figures.XXXXXX")
trap 'rm -rf "$work"' EXIT
now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

echo "commit $(git -C "$here" rev-parse --short HEAD)$(git -C "$here" diff --quiet HEAD || echo ' (with changes not committed)'), $(date -u +%F), $(nproc) cores, $(wine --version)"

"$here/scripts/bootstrap.sh" >/dev/null
times=()
for _ in $(seq 11); do
    start=$(now)
    "$here/scripts/bootstrap.sh" >/dev/null
    times+=("$(seconds "$start" "$(now)")")
done
echo "bootstrap on a ready machine, 11 runs: $(printf '%s\n' "${times[@]}" | sort -n | sed -n '1p;$p' | paste -sd' ' | sed 's/ / .. /') s"

echo
"$here/scripts/size-report.sh"

echo
start=$(now)
PACKAGE_BUILD_DIR=$work/release DIST_DIR=$work/dist "$here/scripts/package.sh" >"$work/package.log" 2>&1 ||
    { cat "$work/package.log" >&2; echo "figures: package.sh failed" >&2; exit 1; }
echo "package.sh in a new folder: $(seconds "$start" "$(now)") s"
start=$(now)
PACKAGE_BUILD_DIR=$work/release DIST_DIR=$work/dist "$here/scripts/package.sh" >"$work/package.log" 2>&1 ||
    { cat "$work/package.log" >&2; echo "figures: package.sh failed" >&2; exit 1; }
echo "package.sh again, nothing changed: $(seconds "$start" "$(now)") s"

echo
"$here/scripts/bench.sh"
echo
"$here/scripts/bench.sh" --timeline

[[ -n $long ]] || exit 0
echo
git clone -q "$here" "$work/clone"
git -C "$work/clone" checkout -q --detach "$(git -C "$here" rev-parse HEAD)"
start=$(now)
"$work/clone/.ci/run" >"$work/suite.log" 2>&1 || { tail -n 40 "$work/suite.log" >&2; echo "figures: .ci/run failed" >&2; exit 1; }
echo ".ci/run from a clean clone: $(seconds "$start" "$(now)") s in all"
grep -E '^test: the suite under|^Total Test time' "$work/suite.log"
"$here/scripts/check-reproducible.sh" | grep '^took'
