#!/usr/bin/env bash
# Makes a Debian 12 machine ready to build, run and test the panel.
# Idempotent: on a ready machine it only checks and returns within seconds.
# Everything comes from Debian's packages; nothing is downloaded elsewhere.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$here/build}
deps_dir=$build_dir/deps
jpeg_prefix=$deps_dir/libjpeg-turbo

packages=(
    g++-mingw-w64-i686-posix cmake ninja-build nasm dpkg-dev
    wine wine32:i386 xvfb xdotool imagemagick
    locales fonts-wqy-zenhei fonts-wqy-microhei googletest
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

ensure_packages() {
    local missing
    missing=$(missing_packages)
    [[ -z $missing ]] && return
    log "installing: $(echo $missing)"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    as_root apt-get update -qq
    DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends \
        "${packages[@]}" >/dev/null
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

build_libjpeg() {
    [[ -f $jpeg_prefix/lib/libjpeg.a && -f $jpeg_prefix/include/jpeglib.h ]] && return
    if ensure_source_entry || ! apt-cache showsrc libjpeg-turbo 2>/dev/null | grep -q '^Package:'; then
        as_root apt-get update -qq
    fi
    log "cross-building libjpeg-turbo from Debian's source package"
    local src_root=$deps_dir/src
    rm -rf "$src_root" && mkdir -p "$src_root"
    (cd "$src_root" && apt-get source -qq libjpeg-turbo >/dev/null 2>&1)
    local src
    src=$(find "$src_root" -maxdepth 1 -mindepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
    [[ -n $src ]] || { log "apt-get source libjpeg-turbo gave nothing"; exit 1; }
    cmake -S "$src" -B "$deps_dir/libjpeg-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$jpeg_prefix" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON \
        -DCMAKE_POSITION_INDEPENDENT_CODE=OFF -Wno-dev >/dev/null
    cmake --build "$deps_dir/libjpeg-build" >/dev/null
    cmake --install "$deps_dir/libjpeg-build" >/dev/null
    rm -rf "$deps_dir/libjpeg-build"
}

ensure_packages
ensure_locale
mkdir -p "$deps_dir"
build_libjpeg
log "ready"
