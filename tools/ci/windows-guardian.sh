#!/usr/bin/env bash
# The guardian of the Windows build, under Wine.
#
#   tools/ci/windows-guardian.sh      (LUMBRAVICK_WIN_BUILD as for windows.sh)
#
# Wine's own shell shows its taskbar again by itself a moment after the
# process that hid it has gone, which real Windows does not; so the run uses
# a Wine desktop without a taskbar and a taskbar of its own
# (lumbravick-standin-taskbar, a Shell_TrayWnd that nothing but a call shows
# again). The 64-bit game hides it, and then:
#  1. without its guardian (LUMBRAVICK_GUARDIAN=0) the game is killed: the
#     taskbar stays hidden (the control);
#  2. with its guardian, the same: the taskbar is back within 2 s;
#  3. the game is stopped (SIGSTOP to its process): the taskbar is back within
#     25 s and the game is gone within 35 s.
# Builds what it needs if it is not there; installs nothing; uses a Wine
# prefix and an X server of its own and ends everything it started.
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$(pwd)
BUILD=${LUMBRAVICK_WIN_BUILD:-$ROOT/build/windows}/x86_64
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
for t in "$WINE64" "$WINESERVER"; do [ -x "$t" ] || { echo "windows-guardian: FAIL: $t is missing" >&2; exit 1; }; done

START=$SECONDS
log() { echo "windows-guardian [$((SECONDS - START))s] $*"; }
fail() {
  echo "windows-guardian: FAIL: $*" >&2
  [ -n "${WORK:-}" ] && tail -n 5 "$WORK"/*.log >&2 2>/dev/null
  exit 1
}

GAME=$BUILD/toolkit/win32/lumbravick.exe
STANDIN=$BUILD/tests/win32/lumbravick-standin-taskbar.exe
if [ ! -f "$GAME" ] || [ ! -f "$STANDIN" ]; then
  log "building the 64-bit game and the stand-in taskbar"
  cmake -S . -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DLUMBRAVICK_TESTS=ON -DLUMBRAVICK_BENCH=OFF >/dev/null ||
    fail "configuring the 64-bit build"
  cmake --build "$BUILD" -j"${JOBS:-2}" --target lumbravick lumbravick-standin-taskbar >/dev/null ||
    fail "building the 64-bit game"
fi

WORK=$(mktemp -d /tmp/lumbravick-windows-guardian.XXXXXX)
export WINEPREFIX=$WORK/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv,wineoss.drv=d"
XVFB_PID=
PIDS=()
cleanup() {
  local pid
  for pid in "${PIDS[@]}"; do kill -CONT "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
  if [ -d "$WINEPREFIX" ]; then timeout 20 "$WINESERVER" -k 2>/dev/null || true; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

exec 9>"$WORK/display"
Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
exec 9>&-
for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$WORK/display")"
timeout 240 "$WINE64" wineboot -i >"$WORK/wineboot.log" 2>&1 || fail "wineboot could not make the prefix"
"$WINESERVER" -w
# A desktop that is not named "shell" has no taskbar of Wine's.
"$WINESERVER" -p
"$WINE64" explorer /desktop=plain,1024x768 </dev/null >/dev/null 2>&1 &
PIDS+=($!)
log "Wine prefix and desktop on $DISPLAY"

"$WINE64" "$STANDIN" >"$WORK/standin.log" 2>&1 &
PIDS+=($!)
standin() { timeout 30 "$WINE64" "$STANDIN" state 2>/dev/null | tr -d '\r'; }
for _ in $(seq 100); do grep -q ready "$WORK/standin.log" && break; sleep 0.2; done
[ "$(standin)" = visible ] || fail "the stand-in taskbar is not on the screen ($(standin))"

now_ms() { date +%s%3N; }
field() { sed -n "s/.*\"ev\":\"$2\".*\"$3\":\\([0-9]*\\).*/\\1/p" "$1" | tail -n1; }

# start_game NAME [VAR=VALUE...]: the game until it has hidden the taskbar;
# sets GAME_PID (its process here) and TRACE.
start_game() {
  local name=$1
  shift
  TRACE=$WORK/trace-$name.jsonl
  env "$@" LUMBRAVICK_TRACE="Z:${TRACE//\//\\}" "$WINE64" "$GAME" >"$WORK/game-$name.log" 2>&1 &
  GAME_PID=$!
  PIDS+=("$GAME_PID")
  local end=$((SECONDS + 60))
  until grep -q '"op":"capture"' "$TRACE" 2>/dev/null; do
    [ $SECONDS -lt $end ] || fail "$name: the game did not start"
    sleep 0.2
  done
  [ "$(standin)" = hidden ] || fail "$name: the game did not hide the taskbar"
}

# until_visible LIMIT_MS WHAT: polls the stand-in; its time in ELAPSED.
until_visible() {
  local start
  start=$(now_ms)
  until [ "$(standin)" = visible ]; do
    ELAPSED=$(($(now_ms) - start))
    [ "$ELAPSED" -le "$1" ] || fail "$2: the taskbar not back within $1 ms"
  done
  ELAPSED=$(($(now_ms) - start))
}

# TerminateProcess of the game, as Task Manager's End task does it.
terminate_game() {
  local pid
  pid=$(field "$TRACE" guardian game_pid)
  [ -n "$pid" ] || fail "the trace does not name the game's process"
  "$WINE64" taskkill /F /PID "$pid" >>"$WORK/taskkill.log" 2>&1 || fail "taskkill /F /PID $pid failed"
}

# ---- 1. the control: no guardian -----------------------------------------------------------
# Without a guardian the trace names no process to end: the game's process
# is killed here, which is what TerminateProcess does under Wine.
start_game control LUMBRAVICK_GUARDIAN=0
kill -KILL "$GAME_PID"
{ wait "$GAME_PID"; } 2>/dev/null || true
sleep 3
[ "$(standin)" = hidden ] || fail "without a guardian the taskbar came back: the run proves nothing"
log "without a guardian, the game killed: the taskbar stays hidden"
timeout 30 "$WINE64" "$STANDIN" show >/dev/null 2>&1 || fail "the stand-in taskbar could not be shown again"

# ---- 2. TerminateProcess with the guardian ---------------------------------------------------
start_game terminate
terminate_game
until_visible 2000 "after TerminateProcess"
log "with the guardian, after TerminateProcess: the taskbar back after $ELAPSED ms"
FIGURES="terminate_taskbar_ms=$ELAPSED"
{ wait "$GAME_PID"; } 2>/dev/null || true

# ---- 3. a hung game --------------------------------------------------------------------------------
start_game hang
kill -STOP "$GAME_PID"
STOPPED=$(now_ms)
until_visible 25000 "from a stopped game"
log "a stopped game: the taskbar back after $ELAPSED ms"
FIGURES+=" hang_taskbar_ms=$ELAPSED"
end=$((SECONDS + 20))
while kill -0 "$GAME_PID" 2>/dev/null; do
  [ $SECONDS -lt $end ] || fail "the stopped game was not ended"
  sleep 0.2
done
gone=$(($(now_ms) - STOPPED))
{ wait "$GAME_PID"; } 2>/dev/null || true
[ "$gone" -le 35000 ] || fail "the stopped game was ended only after $gone ms"
log "a stopped game: ended after $gone ms"
FIGURES+=" hang_gone_ms=$gone"

log "figures: $FIGURES"
log "all checks passed"
