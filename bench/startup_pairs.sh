#!/usr/bin/env bash
# Starts the player twice at the same instant, PAIRS times, each pair in a
# fresh home, and counts how many copies are still running once the start-up
# has settled. One copy per pair is right; more means both took the place.
# Usage: bench/startup_pairs.sh [path/to/lyrabox] [pairs]
set -euo pipefail
bin=$(realpath "${1:-build/lyrabox}")
pairs=${2:-100}
settle=${SETTLE:-4}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
left=0 doubled=0
for i in $(seq "$pairs"); do
  home=$work/$i
  mkdir -p "$home/config/Veltrix" "$home/run" && chmod 700 "$home/run"
  printf '[Quillon]\nApplets\\MidiAudioDriver=file\nApplets\\MidiAudioFile=/dev/null\n' \
    > "$home/config/Veltrix/Quillon.conf"
  mkfifo "$home/go"
  # Both block opening the FIFO; opening its write end frees them together.
  for _ in 1 2; do
    ( exec 3<"$home/go"; HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data \
        XDG_RUNTIME_DIR=$home/run exec "$bin" >/dev/null 2>&1 ) &
  done
  pids=$(jobs -p)
  sleep 0.3
  exec 4>"$home/go"; exec 4>&-
  sleep "$settle"
  n=0
  for p in $pids; do kill -0 "$p" 2>/dev/null && n=$((n + 1)); done
  left=$((left + n))
  [ "$n" -gt 1 ] && doubled=$((doubled + 1))
  kill -TERM $pids 2>/dev/null || true
  wait $pids 2>/dev/null || true
done
echo "pairs tried: $pairs, copies left: $left, pairs with two copies: $doubled"
