#!/usr/bin/env bash
# Start-up time to a visible window and CPU while idle (stopped), against
# `true` started the same way as the reference. Needs Xvfb and xdotool.
# Usage: bench/startup_idle.sh [path/to/lyrabox]
set -euo pipefail
bin=${1:-build/lyrabox}
home=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; kill $xpid 2>/dev/null || true; rm -rf "$home"' EXIT
mkdir -p "$home/config/Veltrix" "$home/run" && chmod 700 "$home/run"
printf '[Quillon]\nApplets\\MidiAudioDriver=file\nApplets\\MidiAudioFile=/dev/null\n' > "$home/config/Veltrix/Quillon.conf"
Xvfb :77 -screen 0 1280x800x24 >/dev/null 2>&1 & xpid=$!
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X77 ] && break; sleep 0.1; done
export DISPLAY=:77 HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run
ms() { date +%s%3N; }
ref0=$(ms); true; ref1=$(ms)
t0=$(ms)
"$bin" >/dev/null 2>&1 & pid=$!
for _ in $(seq 1000); do
  xdotool search --onlyvisible --name "MidiPlayer|Lyrabox|Selection" >/dev/null 2>&1 && break
  kill -0 $pid 2>/dev/null || { echo "the player ended before showing its window" >&2; exit 1; }
  sleep 0.01
done
t1=$(ms)
echo "start-up to visible window: $((t1 - t0)) ms (spawning true: $((ref1 - ref0)) ms)"
sleep 3
c0=$(awk '{print $14+$15}' /proc/$pid/stat)
sleep 10
c1=$(awk '{print $14+$15}' /proc/$pid/stat)
echo "idle CPU over 10 s while stopped: $(( (c1 - c0) * 10 )) ms of CPU per 10 s ($(awk -v t=$((c1-c0)) 'BEGIN{printf "%.2f", t/10}')%)"
echo "resident memory idle: $(awk '/VmRSS/{print $2" kB"}' /proc/$pid/status)"
