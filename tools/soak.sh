#!/usr/bin/env bash
# The soak run: lumbravick-sim plays autopilot games on a 1920 x 1080 desktop
# pair with 48 icons, built with the address and undefined-behaviour
# sanitizers, and checks the icon-pixel map every 1000 passes of the main
# loop (every pixel shown is the icon's or the wallpaper's colour there, and
# IconPixels is the number of pixels still differing).
#   tools/soak.sh [SECONDS]    virtual seconds of play, 3600 when not given
# A game that ends before the time is up (the autopilot does lose balls) is
# followed by another on a slightly slower simulated machine, so no two games
# are alike, until the time is played. Any broken check, sanitizer report or
# crash fails the run. The build is build/sanitize (the test command's
# stage 2), made when missing.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-3600}
[[ $seconds =~ ^[0-9]+$ ]] && [ "$seconds" -gt 0 ] || { echo "usage: tools/soak.sh [SECONDS]" >&2; exit 2; }
build=${LUMBRAVICK_SOAK_BUILD:-build/sanitize}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DLUMBRAVICK_BACKEND=none \
    -DLUMBRAVICK_SANITIZE=ON -DLUMBRAVICK_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target lumbravick-sim lumbravick-desktop-pair >/dev/null

work=$build/soak
rm -rf "$work" && mkdir -p "$work"
"$build/tools/desktop-pair/lumbravick-desktop-pair" "$work/with.png" "$work/without.png" 1920 1080 48
echo "0 follow on" >"$work/autopilot.script"

# Sanitizer reports get exit codes of their own: 1 is the simulator's "time up".
export ASAN_OPTIONS=detect_leaks=1:exitcode=86 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:exitcode=87
left_ms=$((seconds * 1000)) game=0 passes=0 checks=0 destroyed=0 started=$(date +%s)
field() { sed -n "s/.*\"$1\":\\([-0-9]*\\).*/\\1/p" <<<"$2"; }
while [ $left_ms -gt 0 ]; do
  game=$((game + 1))
  trace=$work/game-$game.jsonl status=0
  /usr/bin/time -f %M -o "$work/rss-$game" "$build/tools/sim/lumbravick-sim" \
    --with-icons "$work/with.png" --without-icons "$work/without.png" --script "$work/autopilot.script" \
    --trace "$trace" --until-ms $left_ms --pass-cost-us $((99 + game)) --check-every 1000 \
    >"$work/game-$game.out" 2>"$work/game-$game.err" || status=$?
  if [ $status -gt 1 ]; then
    cat "$work/game-$game.err" >&2
    echo "soak: game $game FAILED with exit status $status (files in $work)" >&2
    exit 1
  fi
  last=$(tail -1 "$trace")
  played=$(field t "$last")
  summary=$(cat "$work/game-$game.out")
  passes=$((passes + $(sed -n 's/.* over \([0-9]*\) passes.*/\1/p' <<<"$summary")))
  checks=$((checks + $(sed -n 's/.* all \([0-9]*\) checks.*/\1/p' <<<"$summary")))
  gone=$(($(field IconPixelsTotal "$last") - $(field IconPixels "$last")))
  destroyed=$((destroyed + gone))
  echo "soak: game $game: $((played / 1000)) s played, $gone icon pixels destroyed, $(($(tail -1 "$work/rss-$game") / 1024)) MB peak, $([ $status = 0 ] && echo "ended" || echo "time up")"
  left_ms=$((left_ms - played))
done
echo "soak: $seconds s of play in $game game(s), $passes passes, $checks map checks, $destroyed icon pixels destroyed, $(($(date +%s) - started)) s wall time: clean"
