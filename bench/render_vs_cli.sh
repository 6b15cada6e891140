#!/bin/sh
# Speed and memory of lyrabox-render, as ratios measured in one run:
#   one song, one job, against the fluidsynth command-line renderer (-F), same song and bank;
#   eight songs with -j 2 against -j 1 (throughput);
#   peak memory with 2 jobs and the full GM bank against the player playing.
# Each timing is the best of REPEAT runs: the machine may be busy with other work.
#   bench/render_vs_cli.sh [build folder]
set -eu
BUILD=${1:-build}
BANK=${BANK:-/usr/share/sounds/sf2/FluidR3_GM.sf2}
REPEAT=${REPEAT:-3}
RENDER=$BUILD/tools/lyrabox-render
ENGINE=$BUILD/bench/lyrabox-engine-play
SONG=$BUILD/Media/busy-bench.mid
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

[ -x "$RENDER" ] || { echo "build $RENDER first" >&2; exit 1; }
[ -x "$ENGINE" ] || { echo "build $ENGINE first" >&2; exit 1; }
[ -r "$BANK" ] || { echo "needs $BANK (fluid-soundfont-gm)" >&2; exit 1; }
[ -r "$SONG" ] || { echo "needs the sample songs in $BUILD/Media" >&2; exit 1; }
command -v fluidsynth >/dev/null || { echo "needs the fluidsynth program" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (GNU time)" >&2; exit 1; }

# best <command...>: "wall cpu maxrss_kib" of the fastest of REPEAT runs.
best() {
    i=0
    : >"$TMP/runs"
    while [ $i -lt "$REPEAT" ]; do
        /usr/bin/time -f "%e %U %S %M" -o "$TMP/t" "$@" >/dev/null 2>&1
        awk '{printf "%s %.2f %s\n", $1, $2 + $3, $4}' "$TMP/t" >>"$TMP/runs"
        i=$((i + 1))
    done
    sort -n "$TMP/runs" | head -1
}

seconds() { soxi -D "$1" 2>/dev/null || echo 0; }

echo "bank: $BANK  cores: $(nproc)  load: $(cut -d' ' -f1-3 /proc/loadavg)  best of $REPEAT"

# One song, one job.
O=$(best "$RENDER" -q -j 1 --overwrite -s "$BANK" -o "$TMP/one.wav" "$SONG")
C=$(best fluidsynth -q -F "$TMP/cli.wav" -r 44100 -ni "$BANK" "$SONG")
echo "$O $(seconds "$TMP/one.wav") $C $(seconds "$TMP/cli.wav")" | awk '{
    printf "one song     render %.2f s (cpu %.2f s, %.1f s of audio)  cli %.2f s (cpu %.2f s, %.1f s of audio)\n", $1, $2, $4, $5, $6, $8
    printf "             speed ratio %.2f (cli time / render time; target >= 1.0), cpu ratio %.2f, %.1fx real time\n", $5 / $1, $6 / $2, $4 / $1
}'

# Eight songs, one job and two.
set -- "$BUILD"/Media/*.mid
[ $# -ge 8 ] || { echo "needs 8 songs in $BUILD/Media" >&2; exit 1; }
SONGS="$1 $2 $3 $4 $5 $6 $7 $8"
# shellcheck disable=SC2086
J1=$(best "$RENDER" -q -j 1 --overwrite -s "$BANK" -o "$TMP/j1" $SONGS)
# shellcheck disable=SC2086
J2=$(best "$RENDER" -q -j 2 --overwrite -s "$BANK" -o "$TMP/j2" $SONGS)
echo "$J1 $J2" | awk '{
    printf "8 songs      -j 1 %.2f s  -j 2 %.2f s  throughput ratio %.2f (target >= 1.7 on 2 free cores)\n", $1, $4, $1 / $4
}'

# Memory: two jobs against the player playing the dense song for as long.
P=$(REPEAT=1 best "$ENGINE" play "$BANK" "$SONG" 15)
echo "$J2 $P" | awk '{
    printf "peak rss MiB render -j 2 %.1f  player %.1f  ratio %.2f\n", $3 / 1024, $6 / 1024, $3 / $6
}'
