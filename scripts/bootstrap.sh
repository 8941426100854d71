#!/usr/bin/env bash
# Makes a Debian 12 machine ready to build, run and test the panel.
# Idempotent: on a ready machine it only checks, in under half a second.
# Everything comes from Debian's packages; nothing is downloaded elsewhere.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
deps_dir=$build_dir/deps
jpeg_prefix=$deps_dir/libjpeg-turbo

packages=(
    g++-mingw-w64-i686-posix cmake ninja-build nasm dpkg-dev
    wine wine32:i386 xvfb xdotool imagemagick
    locales fonts-wqy-zenhei fonts-wqy-microhei fonts-wine googletest python3
    clang-format
)

log() { printf 'bootstrap: %s\n' "$*"; }

missing_packages() {
    local p status
    for p in "${packages[@]}"; do
        status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
        [[ $status == "install ok installed" ]] || echo "$p"
    done
}

as_root() {
    if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

# apt-get update fails as a whole when one index cannot be read, as when a mirror is
# caught in the middle of a sync (seen here for hours: bookworm-security's i386 index
# was not the size its Release named). What it did read stays usable. Without the
# security index of one architecture the two architectures' candidates of a shared
# library differ, and the install cannot be resolved; it is then made from the
# release's own suite, complete for both.
apt_index_incomplete=""
apt_update() {
    as_root apt-get update -qq && return
    log "apt-get update could not read every index; going on with those it read"
    apt_index_incomplete=yes
}

apt_install() {
    local quiet=(-y -qq --no-install-recommends)
    DEBIAN_FRONTEND=noninteractive as_root apt-get install "${quiet[@]}" "$@" >/dev/null && return
    [[ -n $apt_index_incomplete ]] || return 1
    local release
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    log "installing from $release's own suite, as an index is missing"
    DEBIAN_FRONTEND=noninteractive as_root apt-get install "${quiet[@]}" -t "$release" "$@" >/dev/null
}

ensure_packages() {
    local missing
    missing=$(missing_packages)
    [[ -z $missing ]] && return
    log "installing: $(echo $missing)"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    apt_update
    apt_install "${packages[@]}"
}

ensure_locale() {
    if locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then return; fi
    log "generating zh_CN.UTF-8"
    as_root sed -i 's/^# *\(zh_CN\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
}

# A deb-src entry beside the machine's own Debian entries, so that apt-get source works.
ensure_source_entry() {
    local list=/etc/apt/sources.list.d/panel-deb-src.sources
    [[ -f $list ]] && return 1
    log "adding a deb-src entry"
    if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
        sed -e 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | as_root tee "$list" >/dev/null
    else
        grep -E '^deb ' /etc/apt/sources.list | sed -e 's/^deb /deb-src /' |
            as_root tee /etc/apt/sources.list.d/panel-deb-src.list >/dev/null
        as_root touch "$list"
    fi
    return 0
}

# How libjpeg-turbo is built for the panel; a prefix built from another recipe is
# built again. A static library whose objects the program's link can pick apart:
# - one section per function and datum, so that --gc-sections keeps the decoder and
#   drops the encoder (its SIMD code and tables alone are over 100 KiB);
# - no unwind tables: nothing unwinds through it (the host leaves a bad picture by
#   longjmp), and the tables would keep every function they describe;
# - msvcrt.dll's own printf and scanf instead of MinGW's, whose formatting and number
#   parsing would come along only for messages the program never formats;
# - -O3 as libjpeg-turbo chooses it: the decode is the one heavy step of the start.
jpeg_release_flags="-O3 -DNDEBUG"
jpeg_flags="-ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -D__USE_MINGW_ANSI_STDIO=0"
jpeg_nasm_flags="--reproducible" # no time stamp, no source path in the SIMD objects
jpeg_recipe="$jpeg_release_flags $jpeg_flags $jpeg_nasm_flags"
jpeg_stamp=$deps_dir/libjpeg-turbo.recipe

build_libjpeg() {
    if [[ -f $jpeg_prefix/lib/libjpeg.a && -f $jpeg_prefix/include/jpeglib.h && -f $jpeg_stamp &&
          $(cat "$jpeg_stamp") == "$jpeg_recipe" ]]; then
        return
    fi
    local src_root=$deps_dir/src src=""
    if [[ -d $src_root ]]; then
        src=$(find "$src_root" -maxdepth 1 -mindepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
    fi
    if [[ -z $src ]]; then
        if ensure_source_entry || ! apt-cache showsrc libjpeg-turbo 2>/dev/null | grep -q '^Package:'; then
            apt_update
        fi
        rm -rf "$src_root" && mkdir -p "$src_root"
        (cd "$src_root" && apt-get source -qq libjpeg-turbo >/dev/null 2>&1)
        src=$(find "$src_root" -maxdepth 1 -mindepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
        [[ -n $src ]] || { log "apt-get source libjpeg-turbo gave nothing"; exit 1; }
    fi
    log "cross-building libjpeg-turbo from Debian's source package"
    # Its build string is a date: the package's own, not today's. Its objects carry
    # neither a folder of this machine nor a time, so that the library is the same
    # wherever and whenever it is built.
    local epoch
    epoch=$(dpkg-parsechangelog -l "$src/debian/changelog" -STimestamp)
    rm -rf "$deps_dir/libjpeg-build" "$jpeg_prefix" "$jpeg_stamp"
    SOURCE_DATE_EPOCH=$epoch cmake -S "$src" -B "$deps_dir/libjpeg-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS_RELEASE="$jpeg_release_flags" \
        -DCMAKE_C_FLAGS="$jpeg_flags -ffile-prefix-map=$src=libjpeg-turbo -ffile-prefix-map=$deps_dir/libjpeg-build=build" \
        -DCMAKE_ASM_NASM_FLAGS="$jpeg_nasm_flags" \
        -DCMAKE_INSTALL_PREFIX="$jpeg_prefix" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON \
        -DCMAKE_POSITION_INDEPENDENT_CODE=OFF -Wno-dev >/dev/null
    cmake --build "$deps_dir/libjpeg-build" >/dev/null
    cmake --install "$deps_dir/libjpeg-build" >/dev/null
    rm -rf "$deps_dir/libjpeg-build"
    echo "$jpeg_recipe" >"$jpeg_stamp"
}

ensure_packages
ensure_locale
mkdir -p "$deps_dir"
build_libjpeg
log "ready"
