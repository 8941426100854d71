#!/usr/bin/env bash
# Bootstraps the machine, then configures and builds in build/ (or $BUILD_DIR):
#   scripts/configure.sh [--program-only] [cmake --build options, e.g. --target QuarvelPanel]
# The build folder has every program (the tests and benchmarks too), or with
# --program-only the program alone (scripts/package.sh's release build); the options
# below are the only place the scripts write them.
# A build folder is configured when it has no build files yet, and configured afresh
# (cmake --fresh) when its cache holds other values for the options below than this
# script gives, say a Debug build or one made without the tests; otherwise it is only
# built.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
export BUILD_DIR=$build_dir
with_others=ON
if [[ ${1:-} == --program-only ]]; then
    with_others=OFF
    shift
fi

"$here/scripts/bootstrap.sh"

# The options, by their names in the cache.
declare -A options=(
    [CMAKE_GENERATOR]=Ninja
    [CMAKE_TOOLCHAIN_FILE]=$here/cmake/mingw-i686.cmake
    [CMAKE_PREFIX_PATH]=$build_dir/deps/libjpeg-turbo
    [CMAKE_BUILD_TYPE]=Release
    [PANEL_BUILD_TESTS]=$with_others
    [PANEL_BUILD_BENCHMARKS]=$with_others
)
cache=$build_dir/CMakeCache.txt
differing=()
for name in "${!options[@]}"; do
    value=$(sed -n "s/^$name:[A-Z]*=//p" "$cache" 2>/dev/null || true)
    [[ $value == "${options[$name]}" ]] || differing+=("$name=${value:-(none)}")
done
if [[ ! -f $build_dir/build.ninja || ${#differing[@]} -gt 0 ]]; then
    fresh=()
    if [[ -f $cache ]]; then
        echo "configure: $build_dir was configured with $(printf '%s\n' "${differing[@]}" | sort | paste -sd' '); configuring it afresh"
        fresh=(--fresh)
    fi
    defines=()
    for name in "${!options[@]}"; do
        [[ $name == CMAKE_GENERATOR ]] || defines+=("-D$name=${options[$name]}")
    done
    cmake "${fresh[@]}" -S "$here" -B "$build_dir" -G "${options[CMAKE_GENERATOR]}" "${defines[@]}" >/dev/null
fi
cmake --build "$build_dir" "$@"
