#!/usr/bin/env bash
# Builds everything and runs the whole test suite twice, the same .exe files under two
# Windows implementations: Wine 8 (this Debian 12 machine's) and Wine 10 (Debian 13's,
# in a root that scripts/debian13-root.sh makes once, outside the clone). Each run
# takes two tests at a time, each in a Wine session slot of its own
# (scripts/wine-session.sh). Extra arguments go to ctest (scripts/test.sh -R FatalReport);
# PANEL_WINE=8 or PANEL_WINE=10 runs the suite under that Wine alone.
# The exit status is 0 only when the format check (scripts/check-format.sh), the
# README check (scripts/check-readme.sh), the release and floor check
# (scripts/check-release.sh) and every run passed. A run with ctest arguments is a
# part of the suite: it skips the release check, which packages a release of its own.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
wines=${PANEL_WINE:-8 10}
"$here/scripts/configure.sh"
# Besides the suites: the sources' format, what the README says of the repository, and
# that the exe the tests start is the release's and starts on Windows 2000. Any of them
# failing fails the run, after the suites.
status=0
"$here/scripts/check-format.sh" || status=1
"$here/scripts/check-readme.sh" "$build_dir" || status=1
if (($# == 0)); then
    "$here/scripts/check-release.sh" "$build_dir" || status=1
else
    echo "release: not checked in a run of part of the suite (scripts/test.sh without arguments checks it)"
fi
if [[ " $wines " == *" 10 "* ]]; then
    root=$debian13_root
    "$here/scripts/debian13-root.sh" "$root"
fi
cd "$build_dir"

# The sessions end with the run, also when it is interrupted, each stopped by its own
# Wine: Wine 10's inside the root, where its sessions live in a folder of their own (its
# prefixes are not Wine 8's), which the root sees in the place of the build's own
# session folder. The root runs ctest on this build tree; the tree's test lists name
# this machine's CMake modules, which the root gets at the same place (the build's
# cache says where they are). A stop whose check of the slots' prefixes fails
# (wine-prefix.sh --check) fails the run.
mkdir -p "$build_dir/wine10"
in_root=()
if [[ " $wines " == *" 10 "* ]]; then
    modules=$(sed -n 's/^CMAKE_ROOT:INTERNAL=//p' "$build_dir/CMakeCache.txt")
    binds=(--bind "$here" --bind "$modules" --bind "$build_dir/wine10:$build_dir/wine")
    [[ $build_dir == "$here" || $build_dir == "$here"/* ]] || binds=(--bind "$build_dir" "${binds[@]}")
    in_root=("$here/scripts/in-root.sh" "$root" "${binds[@]}" --)
fi
end_sessions() {
    local code=$? failed=""
    "$here/scripts/wine-session.sh" stop "$build_dir/wine" >/dev/null || failed+=" Wine 8"
    if ((${#in_root[@]} > 0)); then
        "${in_root[@]}" "$here/scripts/wine-session.sh" stop "$build_dir/wine" >/dev/null || failed+=" Wine 10"
    fi
    if [[ -n $failed ]]; then
        echo "test: stopping the session of$failed failed (see above)" >&2
        ((code != 0)) || code=1
    fi
    exit $code
}
trap end_sessions EXIT

for wine in $wines; do
    case $wine in
    8)
        echo "test: the suite under Wine 8 ($(wine --version))"
        ctest --output-on-failure --no-tests=error -j 2 "$@" || status=1
        ;;
    10)
        echo "test: the suite under Wine 10 ($("$here/scripts/in-root.sh" "$root" --bare -- wine --version))"
        "${in_root[@]}" ctest --output-on-failure --no-tests=error -j 2 "$@" || status=1
        ;;
    *) echo "test: no Wine $wine here (8 or 10)" >&2; status=2 ;;
    esac
done
exit $status
