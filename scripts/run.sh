#!/usr/bin/env bash
# Builds the panel and runs it under Wine: on $DISPLAY when there is one; otherwise
# on a private Xvfb, where it is photographed to build/screenshot.png and closed with Esc.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
"$here/scripts/configure.sh" --target QuarvelPanel

program=$build_dir/bin/QuarvelPanel.exe
prefix=(--prefix "$build_dir/wineprefix")
set +e
if [[ -n ${DISPLAY:-} ]]; then
    "$here/scripts/wine-run.sh" "${prefix[@]}" --own-display "$program"
else
    SCREENSHOT=$build_dir/screenshot.png "$here/scripts/wine-run.sh" "${prefix[@]}" \
        --driver "$here/scripts/screenshot-and-close.sh" "$program"
fi
status=$?
set -e
echo "exit code: $status"
exit $status
