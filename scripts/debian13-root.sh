#!/usr/bin/env bash
# Makes, once, the Debian 13 (trixie) root in which the test suite runs under Wine 10
# (see scripts/in-root.sh):
#   debian13-root.sh [DIR]       (as root)
# DIR defaults to $debian13_root of scripts/common.sh ($PANEL_DEBIAN13_ROOT, or else
# /var/cache/quarvel-panel/debian13-root): outside any clone, so that every clone on
# the machine shares it.
# A minimal Debian (debootstrap --variant=minbase) from the mirror this machine's own
# apt sources name ($PANEL_DEBIAN_MIRROR overrides it), with i386 added and the
# packages below, and the zh_CN.UTF-8 locale.
# Idempotent: a marker in the root holds a hash of the recipe (suite, architectures,
# packages, locales); when it matches, the script returns at once. A root that another
# recipe made (of this clone or of another clone sharing the root) and that already
# holds this one's suite, packages and locales is ready as well, and is left as it is:
# a recipe that needs less (a package dropped from the list) neither rebuilds nor
# touches a shared root. When something is missing, it is installed. debootstrap works in a folder beside DIR that
# becomes DIR only when it is complete, so an interrupted run is started over. Every
# step has a deadline, so that a mirror that stops answering cannot hang the caller.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

suite=trixie
root=${1:-$debian13_root}

# What the tests run inside the root: ctest (in cmake's package; the programs' tests
# are listed when they are linked, outside), the Wine scripts (scripts/wine-session.sh,
# wine-run.sh and wine-prefix.sh: wine, wineboot and wineserver; Xvfb; setsid and
# flock; coreutils, find, grep and sed), the fonts the prefixes use (WenQuanYi for the
# Chinese faces, Wine's Marlett) and the locale every run is in. The screenshot and
# benchmark scripts never run inside the root.
packages=(
    wine wine32:i386 xvfb
    fonts-wqy-microhei fonts-wqy-zenhei fonts-wine locales
    cmake procps util-linux coreutils findutils grep sed libc-bin
)
locales=(zh_CN.UTF-8)
recipe_version=1 # bump when the steps below change what they make

log() { printf 'debian13-root: %s\n' "$*" >&2; }

# step SECONDS COMMAND...: one step with its deadline. timeout runs the command in a
# process group of its own, where an interruption of this script would not reach it:
# the step runs in the background and is ended with the script.
step_pid=""
step() {
    local seconds=$1 status=0
    shift
    timeout -k 30 "$seconds" "$@" &
    step_pid=$!
    wait "$step_pid" || status=$?
    step_pid=""
    return $status
}
end_step() {
    [[ -n $step_pid ]] || return 0
    kill -TERM "$step_pid" 2>/dev/null || true
    wait "$step_pid" 2>/dev/null || true
    step_pid=""
}
trap end_step EXIT
trap 'end_step; exit 130' INT
trap 'end_step; exit 143' TERM HUP

recipe=$(printf '%s\n' "version $recipe_version" "suite $suite" "packages ${packages[*]}" "locales ${locales[*]}")
recipe_hash=$(sha256sum <<<"$recipe" | cut -d' ' -f1)
marker=$root/etc/panel-root.recipe

# holds_recipe: the root has this recipe's suite, every package installed (its dpkg
# status; NAME:ARCH for another architecture) and every locale in its archive. Reads
# the root's files alone: no mount, no chroot.
holds_recipe() {
    local package installed archived locale
    [[ -f $marker && -f $root/var/lib/dpkg/status ]] || return 1
    grep -qx "VERSION_CODENAME=$suite" "$root/etc/os-release" 2>/dev/null || return 1
    installed=$(awk '/^Package: / { name = $2 } /^Architecture: / { arch = $2 } /^Status: / { status = $0 }
                     /^$/ { if (status ~ / installed$/) print name ":" arch; name = arch = status = "" }
                     END { if (status ~ / installed$/) print name ":" arch }' "$root/var/lib/dpkg/status")
    for package in "${packages[@]}"; do
        [[ $package == *:* ]] || package="$package:[^:]*"
        grep -qx "$package" <<<"$installed" || return 1
    done
    archived=$(localedef --list-archive "$root/usr/lib/locale/locale-archive" 2>/dev/null) || return 1
    for locale in "${locales[@]}"; do
        grep -qix "${locale/UTF-8/utf8}" <<<"$archived" || return 1
    done
}
ready() { [[ -f $marker && $(cat "$marker") == "$recipe_hash" ]] || holds_recipe; }
ready && exit 0

[[ $(id -u) -eq 0 ]] || { log "must run as root (debootstrap, mounts, chroot)"; exit 2; }

# The mirror of this machine's Debian entries (not the security one).
host_mirror() {
    local uri
    uri=$(grep -hs '^URIs:' /etc/apt/sources.list.d/*.sources | awk '{print $2}' |
          grep -E '/debian/?$' | head -n 1 || true)
    [[ -n $uri ]] || uri=$(grep -hsE '^deb +(\[[^]]*\] +)?https?://' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
                           sed -E 's/^deb +(\[[^]]*\] +)?//' | awk '{print $1}' | grep -E '/debian/?$' | head -n 1 || true)
    echo "${uri:-http://deb.debian.org/debian}"
}

ensure_debootstrap() {
    command -v debootstrap >/dev/null && [[ -e /usr/share/debootstrap/scripts/$suite ]] && return
    log "installing debootstrap"
    if ! DEBIAN_FRONTEND=noninteractive step 600 apt-get install -y -qq --no-install-recommends \
            debootstrap debian-archive-keyring >/dev/null; then
        step 600 apt-get update -qq
        DEBIAN_FRONTEND=noninteractive step 600 apt-get install -y -qq --no-install-recommends \
            debootstrap debian-archive-keyring >/dev/null
    fi
    [[ -e /usr/share/debootstrap/scripts/$suite ]] || { log "this debootstrap does not know $suite"; exit 1; }
}

# A minimal root, made beside DIR and renamed to DIR once complete. debootstrap runs
# in a mount namespace of its own: what it mounts in the new root vanishes with it,
# also when it is killed, and nothing of this machine is ever mounted in a folder
# that is then removed.
make_base() {
    local part=$root.part mirror
    mirror=${PANEL_DEBIAN_MIRROR:-$(host_mirror)}
    if [[ -e $part ]]; then
        log "removing the half-made $part"
        rm -rf --one-file-system "$part"
    fi
    log "debootstrap $suite from $mirror into $part"
    if ! step 1800 unshare --mount --propagation private -- \
            debootstrap --variant=minbase "$suite" "$part" "$mirror" >"$root.debootstrap.log" 2>&1; then
        log "debootstrap failed; the end of $root.debootstrap.log:"
        tail -n 20 "$root.debootstrap.log" >&2
        exit 1
    fi
    mv -T "$part" "$root"
    rm -f "$root.debootstrap.log"
}

# in_root SECONDS COMMAND...: the command inside the root, with a deadline.
in_root() {
    local seconds=$1
    shift
    step "$seconds" "$here/scripts/in-root.sh" "$root" --bare -- "$@"
}

install_packages() {
    local arch foreign=()
    for arch in $(printf '%s\n' "${packages[@]}" | sed -n 's/^[^:]*:\(.*\)$/\1/p' | sort -u); do
        foreign+=("$arch")
    done
    # No service starts inside the root.
    printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
    chmod 755 "$root/usr/sbin/policy-rc.d"
    for arch in "${foreign[@]}"; do
        in_root 60 dpkg --add-architecture "$arch"
    done
    export DEBIAN_FRONTEND=noninteractive
    # An install that was interrupted is finished first.
    in_root 600 dpkg --configure -a
    log "apt-get update in the root"
    in_root 900 apt-get update -qq
    log "installing: ${packages[*]}"
    in_root 2400 apt-get install -y -qq --no-install-recommends -o Dpkg::Use-Pty=0 "${packages[@]}" >/dev/null
    in_root 300 apt-get clean
}

generate_locales() {
    local locale missing=() present=$root.locales
    in_root 60 locale -a >"$present" 2>/dev/null
    for locale in "${locales[@]}"; do
        # locale -a names zh_CN.UTF-8 as zh_CN.utf8.
        grep -qix "${locale/UTF-8/utf8}" "$present" || missing+=("$locale")
    done
    rm -f "$present"
    ((${#missing[@]} == 0)) && return
    log "generating ${missing[*]}"
    for locale in "${missing[@]}"; do
        sed -i "s/^# *\(${locale//./\\.} \)/\1/" "$root/etc/locale.gen"
        grep -q "^${locale//./\\.} " "$root/etc/locale.gen" ||
            echo "$locale ${locale#*.}" >>"$root/etc/locale.gen"
    done
    in_root 600 locale-gen >/dev/null
}

# One run at a time per root; a run that waited finds the work done.
mkdir -p "$(dirname "$root")"
exec 8>"$root.lock"
flock -w 3600 8 || { log "another run has held $root.lock for an hour"; exit 1; }
ready && exit 0

[[ -d $root ]] || { ensure_debootstrap; make_base; }
rm -f "$marker"
install_packages
generate_locales
echo "$recipe_hash" >"$marker"
log "$root is ready ($suite)"
