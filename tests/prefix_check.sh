#!/usr/bin/env bash
# scripts/wine-prefix.sh --check fails closed: on a folder of fake prefixes (no Wine
# runs), a slot's prefix that shares its files with a kept one as hard links fails the
# check when a shared file was written through the link (and the kept one that holds it
# is removed), when a shared file was replaced or removed rather than written, and
# when the prefix has no ready mark; an untouched one passes.
set -u
check=$(dirname "${BASH_SOURCE[0]}")/../scripts/wine-prefix.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PANEL_PREFIX_CACHE=$work/kept
status=0
# slot NAME: a kept prefix KEPT/NAME with two files and a registry file, and the slot
# SESSION/NAME/prefix linked to it, made ready.
slot() {
    local kept=$PANEL_PREFIX_CACHE/$1 prefix=$work/session/$1/prefix
    mkdir -p "$kept/drive_c/windows" "$(dirname "$prefix")"
    echo kernel >"$kept/drive_c/windows/kernel32.dll"
    echo font >"$kept/drive_c/windows/font.ttf"
    echo registry >"$kept/user.reg"
    find "$kept" -type f -exec touch -d '2 minutes ago' {} +
    cp -al "$kept" "$prefix"
    cp --remove-destination "$kept/user.reg" "$prefix/user.reg"
    echo "$kept" >"$prefix/.panel-linked-from"
    touch -d '1 minute ago' "$prefix/.panel-ready-test"
}
# expect STATUS TEXT NAME: the check of NAME's slot ends with STATUS, saying TEXT.
expect() {
    local output code
    output=$("$check" --check "$work/session/$3/prefix" 2>&1)
    code=$?
    if ((code != $1)) || ! grep -qF -- "$2" <<<"$output"; then
        echo "check of '$3': exit $code, expected $1 with '$2'; its output:"
        sed 's/^/  /' <<<"$output"
        status=1
    fi
}
slot untouched
echo written >"$work/session/untouched/prefix/user.reg" # its own copy
expect 0 "" untouched
slot written
echo written >>"$work/session/written/prefix/drive_c/windows/kernel32.dll"
expect 1 "Wine wrote into files that" written
[[ ! -d $PANEL_PREFIX_CACHE/written ]] || { echo "the kept prefix that shared a written file is still there"; status=1; }
slot replaced
echo new >"$work/replacement" && mv "$work/replacement" "$work/session/replaced/prefix/drive_c/windows/font.ttf"
expect 1 "Wine replaced or removed files" replaced
slot removed
rm "$work/session/removed/prefix/drive_c/windows/font.ttf"
expect 1 "Wine replaced or removed files" removed
slot unready
rm "$work/session/unready/prefix"/.panel-ready-*
expect 1 "has no ready mark" unready
exit $status
