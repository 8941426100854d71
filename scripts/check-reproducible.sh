#!/usr/bin/env bash
# Checks that the release is reproducible:
#   scripts/check-reproducible.sh
# Clones the current commit (HEAD) twice, into two temporary folders with different
# paths, and runs scripts/package.sh in each, one after the other (so at different
# times, each with its own bootstrap of libjpeg-turbo); prints the SHA-256 of both
# exes and both zips, and exits non-zero when they differ, or when a file to compare
# is missing or cannot be read (two missing sums would compare equal). The temporary
# folders go at the end. Only what is committed is checked: the clones hold no
# uncommitted change.
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
# sum_of FILE: the file's SHA-256; exits the script when there is none to give.
sum_of() {
    local line
    line=$(sha256sum "$1") || { echo "reproducible: cannot read $1" >&2; exit 1; }
    [[ $line =~ ^[0-9a-f]{64}\  ]] || { echo "reproducible: no SHA-256 for $1" >&2; exit 1; }
    echo "${line%% *}"
}

package "$first"
package "$second"
# Each sum in a command substitution of its own, whose failure ends the script.
zip=QuarvelPanel-$(sed -n 's/^project(QuarvelPanel VERSION \([0-9.]*\).*/\1/p' "$first/CMakeLists.txt")-win32.zip
one=("$(sum_of "$first/build/release/bin/QuarvelPanel.exe")") || exit 1
one+=("$(sum_of "$first/dist/$zip")") || exit 1
two=("$(sum_of "$second/build/release/bin/QuarvelPanel.exe")") || exit 1
two+=("$(sum_of "$second/dist/$zip")") || exit 1

echo "commit $commit"
printf '%-5s %-64s %s\n' "" "QuarvelPanel.exe" "$zip"
printf '%-5s %-64s %s\n' "one" "${one[0]}" "${one[1]}"
printf '%-5s %-64s %s\n' "two" "${two[0]}" "${two[1]}"
echo "took $(($(date +%s) - started)) s"
if [[ ${one[0]} != "${two[0]}" || ${one[1]} != "${two[1]}" ]]; then
    echo "NOT reproducible: the two clones differ" >&2
    exit 1
fi
echo "reproducible: both clones gave the same bytes"
