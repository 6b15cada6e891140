#!/bin/sh
# Peak, RMS and clipped samples of the dense test songs and the sample songs,
# as rendered before the output limiter (gain 0.95) and now, with the full GM
# bank; the last line gives the limiter's share of the render time.
#   bench/loudness.sh [build folder] [dense songs] [seconds each]
set -eu
BUILD=${1:-build}
COUNT=${2:-8}
SPAN=${3:-20}
BANK=/usr/share/sounds/sf2/FluidR3_GM.sf2
TOOL=$BUILD/bench/lyrabox-loudness
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

[ -x "$TOOL" ] || { echo "build $TOOL first" >&2; exit 1; }
[ -r "$BANK" ] || { echo "needs $BANK (fluid-soundfont-gm)" >&2; exit 1; }

"$TOOL" write "$TMP" "$COUNT" "$SPAN"
# shellcheck disable=SC2046
"$TOOL" measure "$BANK" "$TMP"/dense-*.mid $(ls "$BUILD"/Media/*.mid "$BUILD"/Media/*.rmi 2>/dev/null)
