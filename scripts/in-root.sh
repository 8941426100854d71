#!/usr/bin/env bash
# Runs one command inside a Debian root made by scripts/debian13-root.sh, as root:
#   in-root.sh ROOT [--bind DIR[:PATH]]... [--bare] [--] COMMAND [ARGS...]
# The root gets /proc, /dev, /dev/pts, /dev/shm and /sys of this machine, its
# /etc/resolv.conf, and every --bind DIR at the same path as here, or at PATH when
# given (by default the clone this script belongs to; --bare binds no folder at all). The mounts are made in
# a mount namespace of the run's own (unshare --mount), so that no other process sees
# them and they vanish with the run, also when it fails or is interrupted; they are
# unmounted on the way out as well.
# The command starts in the current folder when that is inside a bound folder, else
# in /. The exit status is the command's.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

log() { printf 'in-root: %s\n' "$*" >&2; }

# The part that runs inside the namespace: in-root.sh --inside ROOT DIR... -- COMMAND...
if [[ ${1:-} == --inside ]]; then
    root=$2
    shift 2
    binds=()
    while [[ $1 != -- ]]; do binds+=("$1"); shift; done
    shift
    mounted=()
    unmount_all() {
        local i
        for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
            umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
        done
        mounted=()
    }
    trap unmount_all EXIT
    bind() { # bind SOURCE TARGET-IN-ROOT [read-only]
        local target=$root$2
        if [[ -d $1 ]]; then mkdir -p "$target"; else [[ -e $target ]] || : >"$target"; fi
        mount --bind "$1" "$target"
        mounted+=("$target")
        if [[ -n ${3:-} ]]; then mount -o remount,bind,ro "$target"; fi
    }
    # The root becomes a mount of its own, so that inside it / is a mount point, as on
    # a machine: a command in the root can then make a namespace of its own with
    # unshare --mount --propagation private (debian13-root.sh and in-root.sh do), which
    # fails with EINVAL when / is a plain folder of the outer mount.
    if ! mountpoint -q "$root"; then
        mount --bind "$root" "$root"
        mounted+=("$root")
    fi
    bind /proc /proc
    bind /sys /sys
    bind /dev /dev
    bind /dev/pts /dev/pts
    mountpoint -q /dev/shm && bind /dev/shm /dev/shm
    [[ -f /etc/resolv.conf ]] && bind /etc/resolv.conf /etc/resolv.conf ro
    for pair in "${binds[@]}"; do bind "${pair%%:*}" "${pair#*:}"; done
    start=/
    for pair in "${binds[@]}"; do
        dir=${pair#*:}
        [[ $PWD == "$dir" || $PWD == "$dir"/* ]] && start=$PWD
    done
    # The command runs as a child that a signal to this run is passed on to; it keeps
    # the caller's standard input.
    exec 3<&0
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        chroot "$root" /bin/sh -c 'cd "$1" && shift && exec "$@"' sh "$start" "$@" <&3 3<&- &
    child=$!
    exec 3<&-
    trap 'kill -INT "$child" 2>/dev/null || true' INT
    trap 'kill -TERM "$child" 2>/dev/null || true' TERM
    trap 'kill -HUP "$child" 2>/dev/null || true' HUP
    status=0
    wait "$child" || status=$?
    # A signal ends the wait early; the status is the command's once it has ended.
    while kill -0 "$child" 2>/dev/null; do
        status=0
        wait "$child" || status=$?
    done
    exit $status
fi

[[ $(id -u) -eq 0 ]] || { log "must run as root (it mounts and chroots)"; exit 2; }
[[ $# -ge 1 ]] || { echo "usage: $0 ROOT [--bind DIR[:PATH]]... [--bare] [--] COMMAND [ARGS...]" >&2; exit 2; }
root=$(realpath -e "$1")
shift
binds=()
bare=""
while [[ $# -gt 0 ]]; do
    case $1 in
    --bind)
        source=${2%%:*}
        target=${2#*:}
        [[ $2 == *:* ]] || target=$source
        binds+=("$(realpath -e "$source"):$(realpath -m "$target")")
        shift 2
        ;;
    --bare) bare=1; shift ;;
    --) shift; break ;;
    *) break ;;
    esac
done
[[ $# -ge 1 ]] || { echo "usage: $0 ROOT [--bind DIR[:PATH]]... [--bare] [--] COMMAND [ARGS...]" >&2; exit 2; }
[[ -x $root/bin/sh ]] || { log "$root is not a root (no /bin/sh)"; exit 2; }
if [[ -n $bare ]]; then
    binds=()
elif ((${#binds[@]} == 0)); then
    binds=("$here:$here")
fi

exec unshare --mount --propagation private -- "$here/scripts/in-root.sh" --inside "$root" "${binds[@]}" -- "$@"
