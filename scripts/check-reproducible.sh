#!/usr/bin/env bash
# Checks that the release is reproducible:
#   scripts/check-reproducible.sh
# Clones the current commit (HEAD) twice, into two temporary folders with different
# paths, and runs scripts/package.sh in each, one after the other (so at different
# times, each with its own bootstrap of libjpeg-turbo); prints the SHA-256 of both
# exes and both zips, and exits non-zero when they differ. The temporary folders go
# at the end. Only what is committed is checked: the clones hold no uncommitted change.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
commit=$(git -C "$here" rev-parse HEAD)
started=$(date +%s)

base=$(mktemp -d "${TMPDIR:-/tmp}/panel-reproducible.XXXXXX")
trap 'rm -rf "$base"' EXIT
first=$base/one
second=$base/second/clone-two # another depth and another name

package() {
    local dir=$1
    git clone -q "$here" "$dir"
    git -C "$dir" checkout -q --detach "$commit"
    "$dir/scripts/package.sh" >"$dir.log" 2>&1 || { cat "$dir.log" >&2; echo "package.sh failed in $dir" >&2; exit 1; }
}
sums() {
    local dir=$1
    sha256sum "$dir/build/release/bin/QuarvelPanel.exe" | cut -d' ' -f1
    sha256sum "$dir"/dist/QuarvelPanel-*-win32.zip | cut -d' ' -f1
}

package "$first"
package "$second"
mapfile -t one < <(sums "$first")
mapfile -t two < <(sums "$second")

echo "commit $commit"
printf '%-5s %-64s %s\n' "" "QuarvelPanel.exe" "$(basename "$first"/dist/QuarvelPanel-*-win32.zip)"
printf '%-5s %-64s %s\n' "one" "${one[0]}" "${one[1]}"
printf '%-5s %-64s %s\n' "two" "${two[0]}" "${two[1]}"
echo "took $(($(date +%s) - started)) s"
if [[ ${one[0]} != "${two[0]}" || ${one[1]} != "${two[1]}" ]]; then
    echo "NOT reproducible: the two clones differ" >&2
    exit 1
fi
echo "reproducible: both clones gave the same bytes"
