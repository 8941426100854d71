#!/usr/bin/env bash
# Draws the panel's background picture and icon with ImageMagick and a CJK font.
# The outputs, background.jpg and icon.ico, are committed; run this again only to
# change the art.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
convert=/usr/bin/convert # ImageMagick's own, not a stand-in earlier on the PATH
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

base='#24211b'
dot='#3a362c'
line_dark='#0f0e0b'
line_light='#cfc8b0'
caption='#ffd200'

args=(-size 4x4 "xc:$base" -fill "$dot" -draw 'point 1,1' -write mpr:dots +delete
      -size 734x492 tile:mpr:dots
      -fill none -stroke "$line_light" -draw 'rectangle 2,2 731,489' -draw 'rectangle 5,5 728,486')

# A group frame: an engraved rectangle from (x1,y1) to (x2,y2) with its caption cut
# into the top edge.
frame() {
    local x1=$1 y1=$2 x2=$3 y2=$4 text=${5:-}
    args+=(-fill none -stroke "$line_dark" -draw "rectangle $x1,$y1 $x2,$y2"
           -stroke "$line_light" -draw "rectangle $((x1 + 1)),$((y1 + 1)) $((x2 + 1)),$((y2 + 1))")
    [[ -n $text ]] || return 0
    args+=(-stroke none -fill "$base" -draw "rectangle $((x1 + 10)),$((y1 - 7)) $((x1 + 72)),$((y1 + 7))"
           -fill "$caption" -font "$font" -pointsize 13 -annotate "+$((x1 + 14))+$((y1 + 5))" "$text")
}

frame 16 47 716 96 '软件说明'
frame 16 111 716 192 '常用文件'
frame 16 210 716 390 '常用文本'
frame 16 406 716 437
args+=(-stroke none -fill '#e8e2cc' -font "$font" -pointsize 12
       -annotate +30+426 '提示：文件按钮用记事本打开 D:\\MirServer 下的配置文件，文件夹按钮按上方目录打开资源管理器。')

"$convert" "${args[@]}" -strip -interlace none -sampling-factor 2x2,1x1,1x1 -quality 92 background.jpg

"$convert" -size 64x64 xc:none \
    -fill '#1b4f9c' -stroke '#ffd200' -strokewidth 3 -draw 'roundrectangle 3,3 60,60 12,12' \
    -stroke none -fill '#ffd200' -font "$font" -pointsize 40 -gravity center -annotate +0+1 '服' \
    -define icon:auto-resize=64 icon.ico
