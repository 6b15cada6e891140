#!/bin/sh
# CPU (playing and stopped), memory and Next time of the sequencer device against the fluidsynth
# command-line player, same song, bank and driver, measured in one run.
#   bench/engine_vs_cli.sh [build folder] [seconds]
set -eu
BUILD=${1:-build}
SPAN=${2:-10}
WARM=3
BANK=/usr/share/sounds/sf2/FluidR3_GM.sf2
ENGINE=$BUILD/bench/lyrabox-engine-play
SONG=$BUILD/Media/busy-bench.mid
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

[ -x "$ENGINE" ] || { echo "build $ENGINE first" >&2; exit 1; }
[ -r "$BANK" ] || { echo "needs $BANK (fluid-soundfont-gm)" >&2; exit 1; }
command -v fluidsynth >/dev/null || { echo "needs the fluidsynth program" >&2; exit 1; }

if [ ! -r "$SONG" ]; then
    # A dense stand-in: 15 instruments and drums, sixteenth notes in chords.
    SONG=$TMP/dense.mid
    python3 - "$SONG" <<'PY'
import struct, sys
def vlq(v):
    b = [v & 0x7f]
    while v > 127:
        v >>= 7
        b.insert(0, 0x80 | (v & 0x7f))
    return bytes(b)
ev = bytearray(b"\x00\xff\x51\x03\x07\xa1\x20")
for ch in range(16):
    ev += vlq(0) + bytes([0xc0 | ch, (ch * 8) % 128])
for step in range(4 * 4 * 60):          # a minute of sixteenths at 120 bpm
    for ch in range(16):
        root = 36 + (ch * 5 + step * 7) % 48
        for k in (0, 4, 7):
            ev += vlq(0) + bytes([0x90 | ch, root + k, 90])
    first = True
    for ch in range(16):
        root = 36 + (ch * 5 + step * 7) % 48
        for k in (0, 4, 7):
            ev += vlq(120 if first else 0) + bytes([0x80 | ch, root + k, 0])
            first = False
ev += b"\x00\xff\x2f\x00"
open(sys.argv[1], "wb").write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480)
                              + b"MTrk" + struct.pack(">I", len(ev)) + ev)
PY
fi

HZ=$(getconf CLK_TCK)
# measure <name> <command...>: CPU seconds per second and memory after warm-up.
measure() {
    name=$1; shift
    "$@" >/dev/null 2>&1 &
    pid=$!
    sleep $WARM
    t0=$(awk '{print $14 + $15}' /proc/$pid/stat)
    sleep "$SPAN"
    t1=$(awk '{print $14 + $15}' /proc/$pid/stat)
    rss=$(awk '/^VmRSS/ {print $2}' /proc/$pid/status)
    hwm=$(awk '/^VmHWM/ {print $2}' /proc/$pid/status)
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    cpu=$(echo "$t0 $t1 $HZ $SPAN" | awk '{printf "%.4f", ($2 - $1) / $3 / $4}')
    echo "$name $cpu $rss $hwm"
}

REPEAT=""
i=0
while [ $i -lt 40 ]; do REPEAT="$REPEAT $SONG"; i=$((i + 1)); done

echo "song: $SONG  bank: $BANK  span: ${SPAN}s after ${WARM}s"
E=$(measure engine "$ENGINE" play "$BANK" "$SONG" $((SPAN + WARM + 5)))
# shellcheck disable=SC2086
C=$(measure cli fluidsynth -ni -a file -o audio.file.name=/dev/null "$BANK" $REPEAT)
echo "$E $C" | awk '{
    printf "cpu s/s      engine %.4f  cli %.4f  ratio %.2f (target <= 1.1)\n", $2, $6, $2 / $6
    printf "rss MiB      engine %.1f  cli %.1f  ratio %.2f (target <= 0.5)\n", $3 / 1024, $7 / 1024, $3 / $7
    printf "peak rss MiB engine %.1f  cli %.1f  ratio %.2f\n", $4 / 1024, $8 / 1024, $4 / $8
}'
I=$(measure idle "$ENGINE" idle "$BANK" "$SONG" $((SPAN + WARM + 5)))
echo "$I" | awk '{printf "idle cpu s/s engine %.4f (stopped, song open; target near 0)\n", $2}'
echo "next, same instruments:"
"$ENGINE" next "$BANK" "$SONG" 20 2>/dev/null | awk '{print "  " $0 "  (target < 50)"}'
for other in "$BUILD"/Media/*.mid; do
    [ "$other" = "$SONG" ] && continue
    echo "next, to $(basename "$other"):"
    "$ENGINE" next "$BANK" "$SONG" 10 "$other" 2>/dev/null | awk '{print "  " $0 "  (target < 50)"}'
done
