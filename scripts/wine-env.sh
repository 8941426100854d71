# The environment of every Wine run of the suite, and what a run leaves behind;
# sourced by the Wine scripts (after common.sh):
#   . "$here/scripts/wine-env.sh"; wine_environment PREFIX; wine_env wine PROGRAM.exe
#   wine_end_server ends the prefix's Wine processes and its server.
# Nothing of the machine or of the caller's shell reaches Wine: every Wine command of
# the scripts that runs in a prefix (wine, wineboot, wineserver) runs through wine_env,
# under env -i with these variables alone (only `wine --version`, which starts nothing,
# is called bare, by scripts/test.sh, scripts/figures.sh and scripts/wine-prefix.sh):
# - PATH: the system's own folders, where Debian puts Wine and what it calls;
# - LC_ALL=zh_CN.UTF-8, so that the ANSI code page is 936 (GBK), and no LANGUAGE that
#   would change the language of Wine's own dialogs;
# - TZ=UTC;
# - HOME: a folder of the prefix's own (Wine links the shell's folders to the home's,
#   and fontconfig reads the home's fonts);
# - WINEPREFIX; WINEARCH=win32; WINEDLLOVERRIDES: no Mono or Gecko prompts and no
#   menu entries written to the home;
# - WINEDEBUG: -all, or what the calling script sets (the heap check) or the caller
#   asks for to look into a run;
# - DISPLAY, when the run has one;
# - the variables named in wine_passed, when set: PANEL_DRIVE_D (the drive D: folder
#   that wine-run.sh makes for a program), PANEL_AS_WINDOWS (a test run as an older
#   Windows, tests/support/as_windows.h) and JSIMD_FORCENONE (scripts/bench.sh's
#   decode without SIMD); wine-run.sh adds XAUTHORITY when it runs on the caller's
#   own display.
wine_passed=(PANEL_DRIVE_D PANEL_AS_WINDOWS JSIMD_FORCENONE)

# wine_environment PREFIX: the prefix (exported, for the scripts' own use) and its home.
wine_environment() {
    export WINEPREFIX=$1
    wine_home=$1.home
    mkdir -p "$wine_home"
}

# wine_env COMMAND [ARGS...]: COMMAND with the variables above and nothing else.
wine_env() {
    local name variables=(
        PATH=/usr/bin:/bin LC_ALL=zh_CN.UTF-8 TZ=UTC HOME="$wine_home"
        WINEPREFIX="$WINEPREFIX" WINEARCH=win32 "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d"
        WINEDEBUG="${WINEDEBUG:--all}"
    )
    [[ -z ${DISPLAY:-} ]] || variables+=("DISPLAY=$DISPLAY")
    for name in "${wine_passed[@]}"; do
        [[ -z ${!name+set} ]] || variables+=("$name=${!name}")
    done
    env -i "${variables[@]}" "$@"
}

# wine_end_server: ends every Wine process of $WINEPREFIX (wineserver -k) and waits
# until its server is gone (wineserver -w). Returns 0 also when no server was up.
wine_end_server() {
    wine_env wineserver -k 2>/dev/null || true
    wine_env wineserver -w 2>/dev/null || true
}

# Wine's own services, which start when first needed and live until the server ends.
wine_services='^C:\\windows\\system32\\(services|winedevice|plugplay|svchost|rpcss)\.exe( |$)|^C:\\windows\\system32\\explorer\.exe /desktop'

# wine_prefix_pids PREFIX: the PIDs of the Windows processes and the server of the
# prefix (the Wine processes whose environment names it; not the shells and tools
# around them).
wine_prefix_pids() {
    local pid
    for pid in $(grep -lzxF "WINEPREFIX=$1" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3); do
        [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wine* ]] && echo "$pid"
    done
}

# wine_leftovers PREFIX [BASELINE]: the processes of the prefix that are neither its
# server nor Wine's services (nor in the BASELINE file of PIDs), one per line: PID and
# command line.
wine_leftovers() {
    local prefix=$1 baseline=${2:-/dev/null} pid command
    for pid in $(wine_prefix_pids "$prefix"); do
        grep -qxF "$pid" "$baseline" && continue
        [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wineserver* ]] && continue
        [[ $(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null) == Z ]] && continue
        command=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)
        [[ -z $command ]] || grep -qE "$wine_services" <<<"$command" && continue
        echo "$pid $command"
    done
}
