#!/usr/bin/env bash
# Builds everything and runs the whole test suite under Wine.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$here/build}
"$here/scripts/configure.sh"
cd "$build_dir"
ctest --output-on-failure "$@"
