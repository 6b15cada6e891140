#!/bin/bash
# How wet and how loud each candidate sound is, rendered by lyrabox-render with
# the full GM bank: a staccato piano note (the reverb's tail after it and its
# level 0.5 s after the key is let go), sparse sample melodies and dense songs
# (peak and RMS). The first candidate is FluidSynth's own defaults.
#   bench/sound_defaults.sh [build folder]
set -eu
BUILD=${1:-build}
RENDER=$BUILD/tools/lyrabox-render
LOUD=$BUILD/bench/lyrabox-loudness
BANK=/usr/share/sounds/sf2/FluidR3_GM.sf2
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
[ -x "$RENDER" ] && [ -x "$LOUD" ] || { echo "build $RENDER and $LOUD first" >&2; exit 1; }

# A piano chord C4 E4 G4 of 150 ms at velocity 120, then the song ends.
printf 'MThd\0\0\0\6\0\0\0\1\1\xe0MTrk\0\0\0\x1c\0\xc0\0\0\x90\x3c\x78\0\x40\x78\0\x43\x78''\x81\x10\x80\x3c\0\0\x40\0\0\x43\0\0\xff\x2f\0' \
    > "$TMP/staccato.mid"

# Seconds from the key's release until the sound is 40 dB under its peak, and
# the level 0.3 s after the release against the peak (10 ms windows).
decay() {
    python3 - "$1" <<'PY'
import array, math, sys, wave
w = wave.open(sys.argv[1]); rate = w.getframerate(); ch = w.getnchannels()
a = array.array('h', w.readframes(w.getnframes())); n = int(rate * 0.01) * ch
rms = [math.sqrt(sum(x * x for x in a[i:i + n]) / n) or 1e-9 for i in range(0, len(a) - n, n)]
db = [20 * math.log10(r / 32768) for r in rms]; peak = max(db); off = 15
last = max((i for i, d in enumerate(db) if d > peak - 40), default=off)
print(f"{(last - off) / 100:.2f} {db[off + 30] - peak if off + 30 < len(db) else -99:.1f}")
PY
}
"$LOUD" write "$TMP" 4 20 >/dev/null

# name reverb room damp width level chorus level depth voices
CANDIDATES='fluidsynth 1 0.2 0.0 0.5 0.9 1 2.0 8 3
lighter 1 0.4 0.3 0.6 0.5 1 1.2 6 3
drier 1 0.3 0.4 0.6 0.35 1 1.0 5 3
dry 0 0 0 0 0 0 0 0 0'

level() { sox "$1" -n $2 stats 2>&1 | awk -v k="$3" '$0 ~ k {print $NF}'; }

printf '%-10s %8s %11s %10s %10s %10s %10s\n' candidate "decay(s)" "@0.3s(dB)" "mel RMS" "mel peak" "dense RMS" "dense pk"
echo "$CANDIDATES" | while read -r name rv room damp width rlevel ch clevel depth voices; do
    home=$TMP/home-$name
    mkdir -p "$home/.config/Veltrix" "$TMP/out-$name"
    cat > "$home/.config/Veltrix/Quillon.conf" <<EOF
[Quillon]
Applets\\MidiSoundFont=$BANK
Applets\\MidiReverb=$rv
Applets\\MidiReverbRoom=$room
Applets\\MidiReverbDamp=$damp
Applets\\MidiReverbWidth=$width
Applets\\MidiReverbLevel=$rlevel
Applets\\MidiChorus=$ch
Applets\\MidiChorusLevel=$clevel
Applets\\MidiChorusDepth=$depth
Applets\\MidiChorusVoices=$voices
EOF
    HOME=$home XDG_CONFIG_HOME=$home/.config "$RENDER" -q -j 2 -o "$TMP/out-$name" \
        "$TMP/staccato.mid" "$TMP"/dense-*.mid "$BUILD"/Media/greensleeves.mid "$BUILD"/Media/amazing-grace.mid
    probe=$TMP/out-$name/staccato.wav
    read -r tail at <<<"$(decay "$probe")"
    sox "$TMP/out-$name"/greensleeves.wav "$TMP/out-$name"/amazing-grace.wav "$TMP/mel-$name.wav"
    sox "$TMP/out-$name"/dense-*.wav "$TMP/dense-$name.wav"
    printf '%-10s %8.2f %11s %10s %10s %10s %10s\n' "$name" "$tail" "$at" \
        "$(level "$TMP/mel-$name.wav" "" "RMS lev dB")" "$(level "$TMP/mel-$name.wav" "" "Pk lev dB")" \
        "$(level "$TMP/dense-$name.wav" "" "RMS lev dB")" "$(level "$TMP/dense-$name.wav" "" "Pk lev dB")"
done
