# Sourced first by every script here:
#   . "$(dirname "${BASH_SOURCE[0]}")/common.sh"
# - strict mode (set -euo pipefail); a script that reads exit statuses itself turns
#   -e and pipefail off again right after, and says so;
# - $here: the repository's root, whichever script and folder it is called from;
# - start_private_xvfb: a private X display for Wine.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

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
