#!/usr/bin/env bash
# Draws the player's small icons (committed as PNG; rerun after a change).
set -euo pipefail
cd "$(dirname "$0")/../player/icons"
I="convert -size 32x32 xc:none -stroke none"
dark='#202020'
$I -fill "$dark" -draw "polygon 9,6 9,26 25,16" play.png
$I -fill "$dark" -draw "rectangle 8,6 13,26" -draw "rectangle 19,6 24,26" pause.png
$I -fill "$dark" -draw "rectangle 8,8 24,24" stop.png
$I -fill "$dark" -draw "polygon 16,6 16,26 4,16" -draw "polygon 28,6 28,26 16,16" prev.png
$I -fill "$dark" -draw "polygon 4,6 4,26 16,16" -draw "polygon 16,6 16,26 28,16" next.png
$I -fill "$dark" -draw "rectangle 4,12 10,20" -draw "polygon 10,12 18,5 18,27 10,20" \
   -fill none -stroke "$dark" -strokewidth 2 -draw "arc 14,9 26,23 -60,60" -draw "arc 12,5 30,27 -60,60" volume.png
$I -fill "$dark" -draw "polygon 6,10 26,10 16,24" expand.png
$I -fill "$dark" -draw "polygon 6,22 26,22 16,8" collapse.png
$I -fill none -stroke "$dark" -strokewidth 3 -draw "arc 10,5 22,17 180,360" -draw "line 22,11 16,18" \
   -draw "line 16,18 16,21" -fill "$dark" -stroke none -draw "circle 16,26 16,24" help.png
$I -fill "$dark" -draw "rectangle 6,22 26,26" hide.png
$I -stroke "$dark" -strokewidth 4 -draw "line 7,7 25,25" -draw "line 25,7 7,25" quit.png
$I -fill '#206020' -draw "rectangle 13,4 19,28" -draw "rectangle 4,13 28,19" add.png
$I -fill '#802020' -draw "rectangle 4,13 28,19" remove.png
# Corner pictures: a note head and stem, dark for black text, light for white.
for v in dark:'#101010' light:'#f4f4f4'; do
  name=${v%%:*}; col=${v#*:}
  convert -size 32x32 xc:none -fill "$col" -draw "ellipse 11,23 7,5 0,360" -draw "rectangle 16,4 19,23" \
     -draw "polygon 19,4 28,9 28,13 19,9" "corner-$name.png"
done
convert -size 64x64 xc:none -fill '#303030' -draw "roundrectangle 2,2 62,62 10,10" \
   -fill '#f0c040' -draw "ellipse 24,44 11,8 0,360" -draw "rectangle 32,10 36,44" \
   -draw "polygon 36,10 52,18 52,24 36,16" lyrabox.png
