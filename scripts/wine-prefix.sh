#!/usr/bin/env bash
# Makes a Wine prefix ready for the panel and its tests, once:
#   wine-prefix.sh PREFIX [--from TEMPLATE] [--desktop] [--dpi N] [--caption PIXELS]
# - 32-bit, created quietly (no Mono or Gecko prompts), without a display;
# - the Chinese system fonts' face names rendered with an installed CJK font;
# - Wine's own Marlett in the prefix's Fonts folder, so that title bars show their
#   buttons as Windows draws them (Wine does not find it in its data folder here);
# - no crash dialog, so that a crashing program ends instead of waiting for a click;
# - nothing of the machine it runs on: no drive Z: for the machine's root (a run maps
#   it to the one folder it needs, see wine-run.sh) and no shell folder for "/" on the
#   desktop, whose contents (and what Wine's shell does while listing them) differ
#   from machine to machine;
# - with --desktop, every program runs in a 1024 x 768 virtual desktop, where Wine
#   itself decides activation and stacking as Windows does;
# - with --dpi N, the screen has N dots per inch (96 otherwise), as Windows' display
#   scale sets it: 120 is 125 %, 144 is 150 %, 192 is 200 %;
# - with --caption PIXELS, title bars are that tall (Wine's own is 18).
# --from TEMPLATE: a copy of TEMPLATE, a prefix this script made without options, with
# the options above set on it: what makes a prefix takes some 10 s of processor time
# (wineboot), a copy under a second, so that a session makes its several prefixes from
# one (scripts/wine-session.sh).
# A prefix is made for one set of these and stays so; another set needs another prefix.
# Safe to call from several runs at once: the set-up is serialised with a lock. Wine
# runs here with the suite's environment alone (scripts/wine-env.sh).
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
. "$here/scripts/wine-env.sh"
prefix=$1
shift
desktop="" dpi="" caption="" template=""
while [[ $# -gt 0 ]]; do
    case $1 in
    --from) template=$2; shift 2 ;;
    --desktop) desktop=1; shift ;;
    --dpi) dpi=$2; shift 2 ;;
    --caption) caption=$2; shift 2 ;;
    *) echo "wine-prefix: unknown option $1" >&2; exit 2 ;;
    esac
done

wine_environment "$prefix"
mkdir -p "$(dirname "$prefix")"
exec 7>"$prefix.setup-lock"
flock 7

ready=$prefix/.panel-ready-4${desktop:+-desktop}${dpi:+-dpi$dpi}${caption:+-caption$caption} # bump when the set-up below changes
[[ -f $ready ]] && exit 0
rm -rf "$prefix"
unset DISPLAY
wine_reg() { wine_env wine reg add "$@" /f >/dev/null 2>&1; }
if [[ -n $template ]]; then
    "$here/scripts/wine-prefix.sh" "$template" || exit
    exec 8>"$template.setup-lock"
    flock 8
    cp -a "$template" "$prefix"
    exec 8>&-
    rm -f "$prefix"/.panel-ready-*
else
    wine_env wineboot -i >/dev/null 2>&1
    for face in 宋体 新宋体 SimSun NSimSun; do
        wine_reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Micro Hei'
    done
    wine_reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    wine_env wine reg delete \
        'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Desktop\Namespace\{9D20AAE8-0625-44B0-9CA7-71889C2254D9}' \
        /f >/dev/null 2>&1 || true
    rm -f "$prefix/dosdevices/z:"
    cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
fi
if [[ -n $desktop ]]; then
    wine_reg 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
    wine_reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768
fi
if [[ -n $dpi ]]; then
    wine_reg 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi"
    wine_reg 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi"
fi
if [[ -n $caption ]]; then
    # In twips, negative, as Windows keeps it: 15 twips a pixel at 96 DPI.
    wine_reg 'HKCU\Control Panel\Desktop\WindowMetrics' /v CaptionHeight /d "-$((caption * 15))"
fi
wine_end_server
touch "$ready"
