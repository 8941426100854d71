#!/usr/bin/env bash
# Checks what the README promises of the shipped program, on the exe of a build:
#   scripts/check-release.sh [BUILD_DIR]   (a whole run of scripts/test.sh runs it; default $BUILD_DIR or build/)
# - the release (scripts/package.sh, into BUILD_DIR/release-check) holds the very bytes
#   of BUILD_DIR/bin/QuarvelPanel.exe, the exe that the tests start;
# - that exe starts on Windows 2000 (scripts/windows-floor.sh says so).
# Exits 1 when either does not hold.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build_dir=$(cd "${1:-$build_dir}" && pwd)
tested=$build_dir/bin/QuarvelPanel.exe
check_dir=$build_dir/release-check
[[ -f $tested ]] || { echo "release: no $tested (build first)" >&2; exit 2; }

PACKAGE_BUILD_DIR=$check_dir/build DIST_DIR=$check_dir/dist "$here/scripts/package.sh" >/dev/null
shipped=$check_dir/build/bin/QuarvelPanel.exe
status=0
if cmp -s "$tested" "$shipped"; then
    echo "release: the tested exe and the release's are the same bytes ($(sha256sum <"$tested" | cut -c1-16)...)"
else
    echo "release: the tested exe ($tested) differs from the release's ($shipped)" >&2
    status=1
fi
floor=$("$here/scripts/windows-floor.sh" "$tested") || { echo "$floor" >&2; status=1; }
if grep -qx 'oldest Windows it starts on: Windows 2000' <<<"$floor"; then
    echo "release: oldest Windows it starts on: Windows 2000"
else
    echo "$floor" >&2
    echo "release: the exe no longer starts on Windows 2000" >&2
    status=1
fi
exit $status
