#!/usr/bin/env bash
# Makes a Wine prefix ready for the panel and its tests:
#   wine-prefix.sh PREFIX [--linked] [--desktop] [--dpi N] [--caption PIXELS]
#   wine-prefix.sh --check PREFIX
# - 32-bit, created quietly (no Mono or Gecko prompts), without a display;
# - the Chinese system fonts' face names rendered with an installed CJK font;
# - Wine's own Marlett in the prefix's Fonts folder, so that title bars show their
#   buttons as Windows draws them (Wine does not find it in its data folder here);
# - no crash dialog, so that a crashing program ends instead of waiting for a click;
# - nothing of the machine it runs on: no drive Z: for the machine's root (a run maps
#   it to the one folder it needs, see wine-run.sh) and no shell folder for "/" on the
#   desktop, whose contents (and what Wine's shell does while listing them) differ
#   from machine to machine; the user's shell folders (Desktop, Documents...) are the
#   prefix's own home folder, PREFIX.home (scripts/wine-env.sh);
# - with --desktop, every program runs in a 1024 x 768 virtual desktop, where Wine
#   itself decides activation and stacking as Windows does;
# - with --dpi N, the screen has N dots per inch (96 otherwise), as Windows' display
#   scale sets it: 120 is 125 %, 144 is 150 %, 192 is 200 %;
# - with --caption PIXELS, title bars are that tall (Wine's own is 18).
# PREFIX is a copy of a prefix kept for these options, outside any clone, in
# /var/cache/quarvel-panel/prefixes/KEY ($PANEL_PREFIX_CACHE overrides the folder;
# inside the Debian 13 root it is the root's own, so Wine 10 keeps its own). KEY is a
# hash of what decides a prefix's content: `wine --version`, this script,
# scripts/wine-env.sh (the environment Wine makes it in), the Marlett it copies, the
# user and the options. So a kept prefix is made again whenever any of those changes,
# and two clones share one only when they would make the same. What makes one takes
# some 10 s of processor time (wineboot); a full copy, about a second.
# A kept prefix is never run in, so that it carries nothing of any run: the one
# without options is made by wineboot, one with options from it, sharing its files as
# hard links but for the registry files, which setting the options writes (a shared
# file that this changed after all fails the making). Each is made in a folder of its
# own beside it and renamed into place once complete, under a lock of its own, so
# that runs of several clones at once make it once and copy only a complete one. A
# kept prefix that no run has used for 7 days is removed when another is made.
# PREFIX is a full copy, or with --linked (a session's slot, SESSION/SLOT/prefix, see
# scripts/wine-session.sh) one that shares the kept prefix's files as hard links but
# for the registry files, which Wine rewrites as it runs: a full suite writes nothing
# else of a prefix, and a copy of its 600 MB for each of six slots took 7 of the 10 s
# that a session's start took. Where no link to the kept prefix can be made (a bind
# mount between the two, as the Debian 13 root's test runs have), the session gets one
# full copy of the kept prefix without options, SESSION/.kept-KEY, and its slots link
# to that: a kept prefix with options differs from the one without in its registry
# files alone. --check PREFIX, run as a slot stops, fails closed:
# - it lists the shared files that were written after all; those were written in what
#   the slot shares them with too, which is then removed, to be made again by the
#   next run;
# - it lists the shared files that Wine replaced or removed rather than wrote into
#   (the slot's file is no longer the one it was linked to, .panel-linked-from names
#   that folder): the slot no longer holds what the next run expects of it;
# - a prefix without its ready mark cannot be told apart from one whose making was cut
#   short, or whose last check failed;
# and the check fails, the slot's ready mark removed, so that it is made again.
# PREFIX is made once, and again when its KEY changes; another set of options needs
# another PREFIX. Safe to call from several runs at once: the set-up of one PREFIX is
# serialised with a lock. Wine runs here with the suite's environment alone
# (scripts/wine-env.sh).
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
. "$here/scripts/wine-env.sh"
check=""
if [[ $1 == --check ]]; then check=1; shift; fi
prefix=$(realpath -m "$1")
session=$(dirname "$(dirname "$prefix")") # with --linked and --check: PREFIX is SESSION/SLOT/prefix
shift
linked="" desktop="" dpi="" caption=""
while [[ $# -gt 0 ]]; do
    case $1 in
    --linked) linked=1; shift ;;
    --desktop) desktop=1; shift ;;
    --dpi) dpi=$2; shift 2 ;;
    --caption) caption=$2; shift 2 ;;
    *) echo "wine-prefix: unknown option $1" >&2; exit 2 ;;
    esac
done
kept_dir=${PANEL_PREFIX_CACHE:-/var/cache/quarvel-panel/prefixes}
kept_days=7
marlett=/usr/share/wine/fonts/marlett.ttf
unset DISPLAY

# key [OPTIONS...]: the kept prefix's name for these options.
key() {
    { wine --version; cat "$here/scripts/wine-prefix.sh" "$here/scripts/wine-env.sh" "$marlett"; id -un; echo "$*"; } |
        sha256sum | cut -c1-32
}

# relink_home FROM TO PREFIX: the user's shell folders of PREFIX that Wine linked to
# the home folder FROM now lead to TO.
relink_home() {
    local link target
    while IFS= read -r -d '' link; do
        target=$(readlink "$link")
        if [[ $target == "$1" || $target == "$1"/* ]]; then ln -sfn "$2${target#"$1"}" "$link"; fi
    done < <(find "$3/drive_c/users" -type l -print0)
}

# use_kept [OPTIONS...]: sets kept_prefix to the kept prefix for OPTIONS, made if it
# is not there, and kept_lock to a descriptor that holds a shared lock on it until it
# is closed, which keeps the clean-up below away; the prefix counts as used now.
use_kept() {
    local kept lock
    kept=$kept_dir/$(key "$@")
    mkdir -p "$kept_dir"
    while :; do
        [[ -d $kept ]] || make_kept "$kept" "$@"
        exec {lock}<"$kept.lock"
        flock -s "$lock"
        [[ -d $kept ]] && break
        exec {lock}<&-
    done
    touch "$kept.lock"
    kept_prefix=$kept kept_lock=$lock
}

# make_kept KEPT [OPTIONS...]: makes KEPT, the kept prefix for OPTIONS.
make_kept() {
    local kept=$1 part=$1.part-$$ lock base base_lock old
    shift
    exec {lock}>"$kept.lock"
    flock "$lock"
    if [[ ! -d $kept ]]; then
        # What an interrupted making left; none is under way while the lock is held.
        rm -rf "$kept".part-*
        if (($# == 0)); then
            make_base "$part"
        else
            use_kept
            base=$kept_prefix base_lock=$kept_lock
            make_options "$part" "$base"
            exec {base_lock}<&-
        fi
        relink_home "$part.home" "$kept.home" "$part"
        rm -rf "$part.home" "$part"/.panel-ready-*
        mv -T "$part" "$kept"
        echo "wine-prefix: kept $kept ($(wine --version)${*:+, $*})" >&2
        # Kept prefixes that no run has used for a while, and that no run uses now.
        for old in "$kept_dir"/*.lock; do
            [[ $old != "$kept.lock" && -n $(find "$old" -mtime +"$kept_days") ]] || continue
            (flock -n 9 && rm -rf "${old%.lock}" "${old%.lock}".part-* && rm -f "$old") 9<"$old" || true
        done
    fi
    exec {lock}>&-
}

wine_reg() { wine_env wine reg add "$@" /f >/dev/null 2>&1; }

# make_base DIR: a prefix without options, by wineboot.
make_base() {
    wine_environment "$1"
    wine_env wineboot -i >/dev/null 2>&1
    for face in 宋体 新宋体 SimSun NSimSun; do
        wine_reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei'
    done
    wine_reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    wine_env wine reg delete \
        'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Desktop\Namespace\{9D20AAE8-0625-44B0-9CA7-71889C2254D9}' \
        /f >/dev/null 2>&1 || true
    rm -f "$1/dosdevices/z:"
    cp "$marlett" "$1/drive_c/windows/Fonts/"
    # The server writes the registry out as it ends.
    wine_end_server
    [[ -f $1/system.reg ]] || { echo "wine-prefix: wineboot made no prefix in $1" >&2; exit 1; }
}

# linked_copy FROM TO [REGISTRY]: TO shares FROM's files as hard links, but for the
# registry files, copies of REGISTRY's (FROM's own by default); fails, leaving no TO,
# where no link can be made.
linked_copy() {
    local file
    cp -al "$1" "$2" 2>/dev/null || { rm -rf "$2"; return 1; }
    for file in "${3:-$1}"/*.reg; do
        cp -a --remove-destination "$file" "$2/"
    done
}

# make_options DIR BASE: the kept prefix BASE (without options) with this run's
# options set: its files as hard links, its registry as copies.
make_options() {
    local part=$1 base=$2 stamp changed
    linked_copy "$base" "$part" || { echo "wine-prefix: cannot link $base's files into $part" >&2; exit 1; }
    relink_home "$base.home" "$part.home" "$part"
    wine_environment "$part"
    stamp=$part.home/stamp
    touch "$stamp"
    if [[ -n $desktop ]]; then
        wine_reg 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
        wine_reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768
    fi
    if [[ -n $dpi ]]; then
        wine_reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi"
        wine_reg 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi"
    fi
    # In twips, negative, as Windows keeps it: 15 twips a pixel at 96 DPI.
    [[ -z $caption ]] || wine_reg 'HKCU\Control Panel\Desktop\WindowMetrics' /v CaptionHeight /d "-$((caption * 15))"
    wine_end_server
    changed=$(find "$part" -type f -links +1 -newer "$stamp")
    if [[ -n $changed ]]; then
        echo "wine-prefix: Wine wrote into files that $part shares with $base, which is removed:" >&2
        sed 's/^/  /' <<<"$changed" >&2
        flock "$base_lock" 2>/dev/null || true
        rm -rf "$base" "$part" "$part.home"
        exit 1
    fi
}

# check_shared: the --check above. A file written through one link is written for
# every folder that links it: the kept prefix without options, every kept prefix made
# from it, a session's copy; each of them that holds such a file is removed.
check_shared() {
    local ready written file shared lock removed=()
    [[ -d $prefix ]] || return 0
    ready=$(find "$prefix" -maxdepth 1 -name '.panel-ready-*' -print -quit)
    if [[ -z $ready ]]; then
        echo "wine-prefix: $prefix has no ready mark: it was never made whole, or failed its last check" >&2
        return 1
    fi
    check_replaced || { rm -f "$ready"; return 1; }
    written=$(find "$prefix" -type f -links +1 -newer "$ready")
    [[ -z $written ]] && return 0
    for shared in "$kept_dir"/*/ "$session"/.kept-*/; do
        shared=${shared%/}
        while IFS= read -r file; do
            [[ $file -ef $shared${file#"$prefix"} ]] || continue
            exec {lock}>"$shared.lock"
            flock "$lock"
            rm -rf "$shared"
            exec {lock}>&-
            removed+=("$shared")
            break
        done <<<"$written"
    done
    echo "wine-prefix: Wine wrote into files that $prefix shares:" >&2
    sed 's/^/  /' <<<"$written" >&2
    echo "wine-prefix: so these, which held them too, are removed:" >&2
    printf '  %s\n' "${removed[@]}" >&2
    rm -f "$ready"
    return 1
}

# check_replaced: whether every file that PREFIX took as a link from the folder named in
# its .panel-linked-from is still that file (the registry files, its own copies, aside).
check_replaced() {
    local from changed
    [[ -f $prefix/.panel-linked-from ]] || return 0
    from=$(cat "$prefix/.panel-linked-from")
    [[ -d $from ]] || return 0
    # Each file as PATH<tab>INODE; a path of the folder without its file in the slot, or
    # with another file there, was replaced or removed.
    changed=$(join -t $'\t' -a 1 -e none -o 0,1.2,2.2 \
        <(cd "$from" && find . -type f ! -name '*.reg' ! -name '.panel-*' -printf '%P\t%i\n' | LC_ALL=C sort) \
        <(cd "$prefix" && find . -type f -printf '%P\t%i\n' | LC_ALL=C sort) | awk -F '\t' '$2 != $3 { print $1 }')
    [[ -z $changed ]] && return 0
    echo "wine-prefix: Wine replaced or removed files that $prefix shared with $from:" >&2
    sed 's/^/  /' <<<"$changed" >&2
    return 1
}

# session_copy: sets session_copy to the session's full copy of the kept prefix
# without options (made if it is not there; the session's copies for other keys are
# removed then), and kept_base to that kept prefix.
session_copy() {
    local lock base_lock own=$kept_prefix own_lock=$kept_lock
    use_kept
    kept_base=$kept_prefix base_lock=$kept_lock
    kept_prefix=$own kept_lock=$own_lock
    session_copy=$session/.kept-${kept_base##*/}
    exec {lock}>"$session_copy.lock"
    flock "$lock"
    if [[ ! -d $session_copy ]]; then
        rm -rf "$session"/.kept-*/ "$session_copy.part"
        cp -a "$kept_base" "$session_copy.part"
        mv -T "$session_copy.part" "$session_copy"
    fi
    exec {lock}>&- {base_lock}<&-
}
if [[ -n $check ]]; then
    check_shared
    exit
fi

options=(${desktop:+--desktop} ${dpi:+--dpi "$dpi"} ${caption:+--caption "$caption"})
wine_environment "$prefix"
mkdir -p "$(dirname "$prefix")"
exec 7>"$prefix.setup-lock"
flock 7

ready=$prefix/.panel-ready-$(key "${options[@]}")
[[ -f $ready ]] && exit 0
use_kept "${options[@]}"
rm -rf "$prefix"
home_of=$kept_prefix.home # where the copy's user folders lead, to be led to its own
if [[ -n $linked ]]; then
    if linked_copy "$kept_prefix" "$prefix"; then
        echo "$kept_prefix" >"$prefix/.panel-linked-from"
    else
        session_copy
        home_of=$kept_base.home
        linked_copy "$session_copy" "$prefix" "$kept_prefix" ||
            { echo "wine-prefix: cannot link $session_copy's files into $prefix" >&2; exit 1; }
        echo "$session_copy" >"$prefix/.panel-linked-from"
    fi
else
    cp -a "$kept_prefix" "$prefix"
fi
exec {kept_lock}<&-
relink_home "$home_of" "$prefix.home" "$prefix"
touch "$ready"
