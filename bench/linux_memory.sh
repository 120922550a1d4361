#!/usr/bin/env bash
# Peak memory of the Linux game per screen size, as a multiple of one screen
# buffer (4 bytes a pixel):
#   bench/linux_memory.sh [BUILD_DIR] [WIDTHxHEIGHT...]
# BUILD_DIR defaults to build/linux (built when missing); the sizes to
# 1024x768 1920x1080 7680x4320. Each size gets an Xvfb server of its own
# (depth 24); a game is played there until the icon scan has finished and a
# little longer, a key ends it, and once the end screen is up the game's
# peak resident memory (VmHWM, shared memory included) is read. The target:
# the two captures, one composed frame and one presentation buffer, plus
# 30 MB. MB here are 2^20 bytes.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/linux}
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1024x768 1920x1080 7680x4320)
[ -x "$build/toolkit/linux/lumbravick" ] || {
  cmake -S . -B "$build" -DLUMBRAVICK_BACKEND=linux -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target lumbravick >/dev/null
}
game=$(realpath "$build/toolkit/linux/lumbravick")
work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

wait_for() {  # SECONDS COMMAND...
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt "$end" ] || return 1
    sleep 0.1
  done
}
in_trace() { grep -q "\"ev\":\"\($1\)\"" "$trace" 2>/dev/null; }

printf '%-10s %10s %12s %8s %12s\n' screen "peak MB" "buffer MB" ratio "target MB"
over=0
for size in "${sizes[@]}"; do
  w=${size%x*} h=${size#*x}
  fifo=$work/displayfd
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fifo" >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  pids+=("$xvfb")
  read -r -t 30 n <"$fifo" || { echo "Xvfb did not start for $size" >&2; exit 1; }
  rm -f "$fifo"
  trace=$work/trace-$size.jsonl
  mkdir -p "$work/run-$size" && chmod 700 "$work/run-$size"
  DISPLAY=:$n XDG_RUNTIME_DIR=$work/run-$size XDG_CONFIG_HOME=$work/config LUMBRAVICK_TRACE=$trace \
    "$game" >"$work/game.log" 2>&1 &
  pid=$!
  pids+=("$pid")
  # Nobody steers: the game may lose its balls and end by itself first.
  wait_for 120 in_trace 'scan_done\|end_screen' || { echo "$size: the icon scan did not finish" >&2; exit 1; }
  sleep 2
  in_trace end_screen || DISPLAY=:$n xdotool key a
  wait_for 20 in_trace end_screen || { echo "$size: the end screen did not come" >&2; exit 1; }
  sleep 1
  peak_kb=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status")
  kill "$pid" "$xvfb"
  wait "$pid" "$xvfb" 2>/dev/null || true
  buffer_kb=$((w * h * 4 / 1024))
  awk -v s="$size" -v p="$peak_kb" -v b="$buffer_kb" \
    'BEGIN { printf "%-10s %10.1f %12.1f %8.2f %12.1f\n", s, p / 1024, b / 1024, p / b, (4 * b) / 1024 + 30 }'
  over=$((peak_kb > 4 * buffer_kb + 30 * 1024))
done
# Small screens are dominated by the libraries; the target is about scaling.
[ $over = 0 ] || { echo "over the target at $size" >&2; exit 1; }
