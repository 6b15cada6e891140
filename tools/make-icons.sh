#!/usr/bin/env bash
# Renders the committed PNG icons from their SVG sources (rerun after a change; needs
# rsvg-convert from librsvg2-bin). Each player icon gets a 2x twin that Qt picks on
# scaled screens; the program icon also goes out in the sizes of the desktop's icon theme.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
render() { rsvg-convert -w "$2" -h "$2" "$1" -o "$3"; }

cd "$root/player/icons"
for svg in *.svg; do
  name=${svg%.svg}
  render "$svg" 32 "$name.png"
  render "$svg" 64 "$name@2x.png"
done

app="$root/packaging/icons/lyrabox.svg"
render "$app" 64 lyrabox.png
render "$app" 128 lyrabox@2x.png
for size in 16 22 24 32 48 64 128 256; do
  render "$app" "$size" "$root/packaging/icons/lyrabox-$size.png"
done
