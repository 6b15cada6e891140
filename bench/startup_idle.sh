#!/usr/bin/env bash
# Start-up time to a visible window over RUNS fresh starts (each with a new
# display and home, no session bus) and their median, against `true` started
# the same way as the reference; then CPU while idle (stopped). Needs Xvfb and
# xdotool.
# Usage: [RUNS=10] [XDISPLAY=77] bench/startup_idle.sh [path/to/lyrabox]
set -euo pipefail
bin=${1:-build/lyrabox}
runs=${RUNS:-10}
disp=${XDISPLAY:-77}
pid= xpid= home=
trap 'kill $pid 2>/dev/null || true; kill $xpid 2>/dev/null || true; rm -rf "$home"' EXIT
export DISPLAY=:$disp
unset DBUS_SESSION_BUS_ADDRESS
ms() { date +%s%3N; }
# A display of its own: nothing an earlier start left on the last one is found.
fresh_display() {
  Xvfb :$disp -screen 0 1280x800x24 >/dev/null 2>&1 & xpid=$!
  for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && return; sleep 0.05; done
  echo "Xvfb :$disp did not start" >&2; exit 1
}
fresh_home() {
  home=$(mktemp -d)
  mkdir -p "$home/config/Veltrix" "$home/run" && chmod 700 "$home/run"
  printf '[Quillon]\nApplets\\MidiAudioDriver=file\nApplets\\MidiAudioFile=/dev/null\n' > "$home/config/Veltrix/Quillon.conf"
  export HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run
}
times=()
for run in $(seq "$runs"); do
  fresh_display
  fresh_home
  ref0=$(ms); true; ref1=$(ms)
  t0=$(ms)
  "$bin" >/dev/null 2>&1 & pid=$!
  for _ in $(seq 1000); do
    xdotool search --onlyvisible --name "MidiPlayer|Lyrabox|Selection" >/dev/null 2>&1 && break
    kill -0 $pid 2>/dev/null || { echo "the player ended before showing its window" >&2; exit 1; }
    sleep 0.01
  done
  t1=$(ms)
  times+=($((t1 - t0)))
  echo "start-up $run to visible window: $((t1 - t0)) ms (spawning true: $((ref1 - ref0)) ms)"
  [ "$run" -eq "$runs" ] && break
  kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true
  kill $xpid; wait $xpid 2>/dev/null || true
  rm -rf "$home"
done
echo "median start-up of $runs: $(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}') ms"
sleep 3
c0=$(awk '{print $14+$15}' /proc/$pid/stat)
sleep 10
c1=$(awk '{print $14+$15}' /proc/$pid/stat)
echo "idle CPU over 10 s while stopped: $(( (c1 - c0) * 10 )) ms of CPU per 10 s ($(awk -v t=$((c1-c0)) 'BEGIN{printf "%.2f", t/10}')%)"
echo "resident memory idle: $(awk '/VmRSS/{print $2" kB"}' /proc/$pid/status)"
