# Sourced first by every script here (wine-env.sh, which the Wine scripts source after
# it, is not a script of its own):
#   . "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# - strict mode (set -euo pipefail); a script that reads exit statuses itself turns
#   -e and pipefail off again right after, and says so;
# - $here: the repository's root, whichever script and folder it is called from;
# - $build_dir: the build folder, $BUILD_DIR or else build/ in the clone;
# - $debian13_root: where the Debian 13 root for Wine 10 is (scripts/debian13-root.sh),
#   $PANEL_DEBIAN13_ROOT or else a folder outside any clone;
# - start_private_xvfb: a private X display for Wine;
# - photograph_when_painted: a photograph of a window once it is painted.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$here/build}
debian13_root=${PANEL_DEBIAN13_ROOT:-/var/cache/quarvel-panel/debian13-root}

# start_private_xvfb [WIDTHxHEIGHT]: starts an Xvfb of that size (by default 1024 x
# 768, the screen the tests expect) on a free display, detached from the caller's terminal and output (ctest waits for a
# test's pipes to close), and waits until it is up. Sets DISPLAY (exported) and
# xvfb_pid; returns 1 when no display came up within 10 s.
start_private_xvfb() {
    local display_file number size=${1:-1024x768}
    display_file=$(mktemp)
    setsid Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$display_file" </dev/null >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 200); do
        [[ -s $display_file ]] && break
        sleep 0.05
    done
    number=$(head -n 1 "$display_file")
    rm -f "$display_file"
    [[ -n $number ]] || return 1
    export DISPLAY=:$number
}

# photograph_when_painted WINDOW FILE: photographs the X window WINDOW into FILE (PNG)
# once it is painted: its picture shows more than 1000 colours (the background
# picture is drawn) and two photographs 0.1 s apart are the same. Returns 1 when that
# did not come within 20 s.
photograph_when_painted() {
    local window=$1 out=$2 shot previous colours
    shot=$(mktemp --suffix=.ppm)
    previous=$(mktemp --suffix=.ppm)
    for _ in $(seq 200); do
        if import -window "$window" "ppm:$shot" 2>/dev/null; then
            colours=$(convert "ppm:$shot" -format %k info: 2>/dev/null || echo 0)
            if ((colours > 1000)) && cmp -s "$shot" "$previous"; then
                # No time stamps in the file: the same picture gives the same bytes.
                convert "ppm:$shot" -define png:exclude-chunks=date,time "$out"
                rm -f "$shot" "$previous"
                return 0
            fi
            cp "$shot" "$previous"
        fi
        sleep 0.1
    done
    rm -f "$shot" "$previous"
    return 1
}
