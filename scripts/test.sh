#!/usr/bin/env bash
# Builds everything and runs the whole test suite under Wine, two tests at a time,
# each in a Wine session slot of its own (scripts/wine-session.sh). Extra arguments go
# to ctest (scripts/test.sh -R FatalReport).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$here/build}
"$here/scripts/configure.sh"
cd "$build_dir"
# The sessions end with the run, also when it is interrupted.
trap '"$here/scripts/wine-session.sh" stop "$build_dir/wine" >/dev/null 2>&1' EXIT
ctest --output-on-failure -j 2 "$@"
