#!/usr/bin/env bash
# Bootstraps the machine, then configures and builds everything in build/.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
build_dir=${BUILD_DIR:-$here/build}
export BUILD_DIR=$build_dir

"$here/scripts/bootstrap.sh"
if [[ ! -f $build_dir/build.ninja ]]; then
    cmake -S "$here" -B "$build_dir" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
        -DCMAKE_PREFIX_PATH="$build_dir/deps/libjpeg-turbo" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build_dir" "$@"
