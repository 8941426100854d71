# The environment of every Wine run of the suite, sourced by the Wine scripts:
#   . scripts/wine-env.sh; wine_environment PREFIX
# Only what the suite sets reaches Wine, nothing of the machine or of the caller's
# shell: the locale (zh_CN.UTF-8, so that the ANSI code page is 936, and no LANGUAGE
# that would change the language of Wine's own dialogs), the time zone, and a home
# folder of the prefix's own (Wine links the shell's folders to the home's, and
# fontconfig reads the home's fonts).
export LC_ALL=zh_CN.UTF-8 TZ=UTC WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset LANGUAGE LANG XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_DATA_DIRS XDG_CONFIG_DIRS
unset WINELOADER WINESERVER WINEDLLPATH

wine_environment() {
    export WINEPREFIX=$1
    export HOME=$1.home
    mkdir -p "$HOME"
}
