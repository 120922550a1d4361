#!/usr/bin/env bash
# The guardian and the ways out of the Linux build, end to end, under Xvfb.
#
#   tools/ci/linux-guardian.sh [BUILD_DIR]      (default: build/game)
#
# Four lanes run side by side, each with its own X server, session and test
# desktop (openbox, pcmanfm --desktop, tint2), because several cases wait on
# purpose (a hung game is given 20 s, then 10 s more):
#  kill    kill -9 of the game in the middle of play: the panel back with its
#          state within 2 s, the screen as before; kill -9 of the guardian
#          alone: the game still ends normally and gives everything back; the
#          game's X connection closed: its trace says so;
#  stop    kill -STOP of the game: within 25 s the panel is back and the game
#          is off the screen, within 35 s it is gone;
#  xstop   the X server stopped: a crash still ends the game within 5 s and the
#          panel is back once the server resumes; a SIGTERM without a guardian
#          ends within the handler's two time limits; the record file that
#          death leaves is repaired by the next start;
#  env     a bad environment: a settings folder that cannot be written, a
#          settings file that is binary or huge, no XDG_RUNTIME_DIR, a stale
#          lock file, a 16-bit screen: the game plays and gives the desktop
#          back; an 8-bit screen and a screen too small: one line, status 1,
#          nothing touched.
# Installs nothing (tools/packages-linux.txt lists what it needs). Ends every
# process it started. Prints the measured times; exit status 0 when every
# check passed.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${1:-$ROOT/build/game}
case $BUILD in /*) ;; *) BUILD=$PWD/$BUILD ;; esac
GAME=$BUILD/toolkit/linux/lumbravick
CHECK=$BUILD/tests/linux/lumbravick-e2e-check

for tool in Xvfb openbox pcmanfm tint2 xdotool xprop xwininfo xkill import convert cmake; do
  command -v "$tool" >/dev/null || { echo "linux-guardian: FAIL: $tool is missing (see tools/packages-linux.txt)" >&2; exit 1; }
done
if [ ! -x "$GAME" ] || [ ! -x "$CHECK" ]; then
  cmake -S "$ROOT" -B "$BUILD" -DLUMBRAVICK_BACKEND=linux -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD" -j2 --target lumbravick lumbravick-e2e-check >/dev/null
fi

TOP=$(mktemp -d /tmp/lumbravick-guardian.XXXXXX)
WORK=$TOP
# shellcheck source=../../tests/linux/e2e_lib.sh
. "$ROOT/tests/linux/e2e_lib.sh"
ulimit -c 0  # the crash cases leave no core file

now_ms() { date +%s%3N; }

# until_ms LIMIT_MS WHAT COMMAND...: polls COMMAND; leaves the milliseconds
# it took in ELAPSED, fails past the limit.
until_ms() {
  local limit=$1 what=$2 start
  shift 2
  start=$(now_ms)
  until "$@"; do
    ELAPSED=$(($(now_ms) - start))
    [ "$ELAPSED" -le "$limit" ] || fail "not within ${limit} ms: $what"
    sleep 0.05
  done
  ELAPSED=$(($(now_ms) - start))
}

# ---- the game -----------------------------------------------------------------------

# start_game NAME [ENV ARGUMENTS...]: sets GAME_PID and TRACE.
start_game() {
  local name=$1
  shift
  TRACE=$WORK/trace-$name.jsonl
  start_bg "game-$name" env "$@" LUMBRAVICK_TRACE="$TRACE" "$GAME"
  GAME_PID=$LAST_PID
}

# Waits until the game plays (its loop is running) with the panel hidden.
wait_in_play() {
  wait_for 20 "the game window" trace_has "$TRACE" show --where window=frmMain
  wait_for 5 "the game loop" trace_has "$TRACE" label
  is_unmapped "$PANEL" || fail "the panel is not unmapped during the game"
}

guardian_pid() { trace_field "$TRACE" guardian pid --where op=start; }
alive() { kill -0 "$1" 2>/dev/null; }
gone() { ! alive "$1"; }

# Reaps the game; its exit status in GAME_STATUS.
reap_game() {
  wait_for "$1" "the game to end" gone "$GAME_PID"
  GAME_STATUS=0
  { wait "$GAME_PID"; } 2>/dev/null || GAME_STATUS=$?
}

# The panel is on the screen again where it was, with its state.
panel_back() { is_viewable "$PANEL"; }
check_panel() {
  [ "$(net_wm_state "$PANEL")" = "$PANEL_STATE" ] || fail "$1: the panel's state is $(net_wm_state "$PANEL"), was $PANEL_STATE"
  [ "$(frame_rect "$PANEL")" = "$PANEL_RECT" ] || fail "$1: the panel is at $(frame_rect "$PANEL"), was at $PANEL_RECT"
}

# The screen as before the game (nothing else was open to be minimised).
check_screen() {
  local before=$1 label=$2 n=-1
  for _ in $(seq 1 20); do
    shot "$WORK/after.ppm"
    n=$(diff_count "$before" "$WORK/after.ppm")
    [ "$n" = 0 ] && return 0
    sleep 0.2
  done
  fail "$label: $n pixels of the screen differ from before the game"
}

# Ends the game the player's way: a key, the end screen, OK once it can be used.
finish_with_ok() {
  trace_has "$TRACE" end_screen || xdotool key a
  wait_for 10 "the end screen" trace_has "$TRACE" end_screen
  wait_for 5 "the end screen window" sh -c 'xdotool search --name "^Vantoro Lumbravick$" >/dev/null'
  local win ex ey
  win=$(xdotool search --name '^Vantoro Lumbravick$' | head -1)
  wait_for 5 "the end screen on the screen" is_viewable "$win"
  sleep 5.5  # OK is locked for the first 5 s
  read -r ex ey < <(window_origin "$win")
  for _ in $(seq 1 20); do
    alive "$GAME_PID" || break
    xdotool mousemove $((ex + 184)) $((ey + 164)) click 1
    sleep 0.3
  done
  reap_game 10
}

# The panel and the desktop window, and where and how the panel is. Both
# programs may replace a window they made at first.
note_desktop() {
  DESKTOP_WIN=$(lasting_window_of_type DESKTOP) || fail "no lasting desktop window"
  PANEL=$(lasting_window_of_type DOCK) || fail "no lasting panel"
  PANEL_RECT=$(frame_rect "$PANEL")
  PANEL_STATE=$(net_wm_state "$PANEL")
}

# lane NAME: a session, an X server and the test desktop for one lane.
lane() {
  WORK=$TOP/$1
  SCREEN_W=1024 SCREEN_H=768
  mkdir -p "$WORK"
  trap 'stop_all' EXIT
  # A step that fails outside the checks says where.
  set -o errtrace
  trap 'fail "line $LINENO: $BASH_COMMAND failed"' ERR
  private_session "$WORK"
  start_xvfb 1024x768x24
  start_desktop
  note_desktop
  wait_screen_settled 20
  log "$1: desktop on $DISPLAY, panel at $PANEL_RECT"
}

# ---- kill: kill -9 of the game, then of the guardian alone ------------------------------
lane_kill() {
  lane kill
  shot "$WORK/before.ppm"
  start_game kill9
  wait_in_play
  local guardian
  guardian=$(guardian_pid)
  kill -KILL "$GAME_PID"
  until_ms 2000 "the panel back after kill -9" panel_back
  log "kill -9: panel back after $ELAPSED ms"
  echo "kill9_panel_ms=$ELAPSED" >>"$TOP/figures"
  check_panel "after kill -9"
  check_screen "$WORK/before.ppm" "after kill -9"
  wait_for 5 "the guardian to end" gone "$guardian"
  reap_game 5
  [ "$GAME_STATUS" = 137 ] || fail "kill -9: status $GAME_STATUS"

  start_game alone
  wait_in_play
  guardian=$(guardian_pid)
  kill -KILL "$guardian"
  sleep 1
  alive "$GAME_PID" || fail "the game ended with its guardian"
  is_unmapped "$PANEL" || fail "the panel came back when the guardian was killed"
  finish_with_ok
  [ "$GAME_STATUS" = 0 ] || fail "the game without its guardian ended with status $GAME_STATUS"
  [ "$(trace_field "$TRACE" exit code)" = 0 ] || fail "the trace does not end with exit code 0"
  wait_for 5 "the panel back" panel_back
  check_panel "after a game whose guardian was killed"
  check_screen "$WORK/before.ppm" "after a game whose guardian was killed"
  log "guardian killed alone: the game ended normally and gave everything back"

  # The game's X connection closed under it: its trace says so.
  start_game xkill
  wait_in_play
  xkill -id "$(xdotool search --onlyvisible --name '^Lumbravick$' | head -1)" >"$WORK/xkill.log" 2>&1
  reap_game 10
  [ "$GAME_STATUS" = 1 ] || fail "after losing its X connection the game ended with status $GAME_STATUS"
  [ "$(trace_field "$TRACE" exit reason)" = x_connection_lost ] || fail "no exit line for the lost connection"
  wait_for 2 "the panel back" panel_back
  check_panel "after the X connection closed"
  log "the X connection closed: status 1, the trace says why, the panel back"
}

# ---- stop: a game that hangs ------------------------------------------------------------
lane_stop() {
  lane stop
  shot "$WORK/before.ppm"
  start_game stop
  wait_in_play
  kill -STOP "$GAME_PID"
  local start
  start=$(now_ms)
  until_ms 25000 "the panel back from a stopped game" panel_back
  log "kill -STOP: panel back after $ELAPSED ms"
  echo "stop_panel_ms=$ELAPSED" >>"$TOP/figures"
  # The game's window went with its connection, and with it the pointer's
  # hiding (it belongs to the connection).
  until_ms 2000 "the game window off the screen" sh -c '! xdotool search --onlyvisible --name "^Lumbravick$" >/dev/null'
  check_panel "after kill -STOP"
  check_screen "$WORK/before.ppm" "after kill -STOP"
  wait_for 40 "the stopped game to be ended" gone "$GAME_PID"
  local ended=$(($(now_ms) - start))
  [ "$ended" -le 35000 ] || fail "the stopped game was ended only after $ended ms"
  log "kill -STOP: game ended after $ended ms"
  echo "stop_gone_ms=$ended" >>"$TOP/figures"
  reap_game 1
  [ "$GAME_STATUS" = 137 ] || fail "the stopped game ended with status $GAME_STATUS"
}

# ---- xstop: the X server stopped ----------------------------------------------------------
# signal_with_x_stopped SIGNAL LIMIT_MS FIGURE STATUS REASON: the game in
# play gets SIGNAL while the X server is stopped; it must end within LIMIT_MS
# with STATUS, the trace's last exit line giving REASON.
signal_with_x_stopped() {
  local sig=$1 limit=$2 figure=$3 status=$4 reason=$5
  wait_in_play
  kill -STOP "$XVFB_PID"
  kill -s "$sig" "$GAME_PID"
  until_ms "$limit" "SIG$sig to end the game with the X server stopped" gone "$GAME_PID"
  log "SIG$sig with the X server stopped: the game ended after $ELAPSED ms"
  echo "$figure=$ELAPSED" >>"$TOP/figures"
  kill -CONT "$XVFB_PID"
  reap_game 1
  [ "$GAME_STATUS" = "$status" ] || fail "SIG$sig: status $GAME_STATUS"
  [ "$(trace_field "$TRACE" exit reason)" = "$reason" ] || fail "SIG$sig: no exit line saying $reason in the trace"
}

lane_xstop() {
  lane xstop
  shot "$WORK/before.ppm"
  start_game segv
  signal_with_x_stopped SEGV 2500 segv_xstopped_end_ms 139 crash
  [ "$(trace_field "$TRACE" exit signal)" = 11 ] || fail "the trace's exit line does not name SIGSEGV"
  until_ms 3000 "the panel back once the X server resumed" panel_back
  log "the panel back $ELAPSED ms after the X server resumed"
  check_panel "after SIGSEGV"
  check_screen "$WORK/before.ppm" "after SIGSEGV"

  # Without a guardian the handlers give back themselves; with the server
  # stopped they cannot, and their alarms end them.
  start_game term LUMBRAVICK_GUARDIAN=0
  signal_with_x_stopped TERM 8000 term_xstopped_end_ms 143 termination_timeout
  sleep 1
  is_unmapped "$PANEL" || fail "the panel came back although nothing could give it back"
  ls "$XDG_RUNTIME_DIR"/lumbravick-hidden-*.txt >/dev/null || fail "no record file left behind"

  # The next start gives back what that game left.
  start_game repair
  wait_in_play
  [ "$(trace_field "$TRACE" guardian windows --where op=repair)" = 1 ] || fail "the next start did not repair the record"
  kill -KILL "$GAME_PID"
  wait_for 2 "the panel back" panel_back
  check_panel "after the repair"
  check_screen "$WORK/before.ppm" "after the repair"
  log "the next start repaired what the stopped server kept hidden"
}

# ---- env: a bad environment ----------------------------------------------------------------
lane_env() {
  lane env
  shot "$WORK/before.ppm"
  local settings=$XDG_CONFIG_HOME/Vantoro/Lumbravick/settings.ini
  mkdir -p "$(dirname "$settings")"
  # No XDG_RUNTIME_DIR, and the settings folder cannot be made.
  touch "$WORK/not-a-folder"
  start_game unwritable -u XDG_RUNTIME_DIR XDG_CONFIG_HOME="$WORK/not-a-folder"
  wait_in_play
  finish_with_ok
  [ "$GAME_STATUS" = 0 ] || fail "with an unwritable settings folder the game ended with status $GAME_STATUS"
  wait_for 5 "the panel back" panel_back
  check_screen "$WORK/before.ppm" "after a game with an unwritable settings folder"
  log "an unwritable settings folder and no XDG_RUNTIME_DIR: played and ended"

  # A binary settings file and the lock file a killed game left.
  head -c 4096 /dev/urandom >"$settings"
  : >"$XDG_RUNTIME_DIR/lumbravick.lock"
  start_game binary
  wait_in_play
  finish_with_ok
  [ "$GAME_STATUS" = 0 ] || fail "with a binary settings file the game ended with status $GAME_STATUS"
  wait_for 5 "the panel back" panel_back
  log "a binary settings file and a stale lock file: played and ended"

  # A huge one.
  awk 'BEGIN { print "[StyleSheet]\nStyleSheet=1\n[Other]"
               for (i = 0; i < 300000; i++) printf "key%d=%066d\n", i, i }' >"$settings"
  start_game huge
  wait_in_play
  kill -TERM "$GAME_PID"
  reap_game 10
  [ "$GAME_STATUS" = 143 ] || fail "with a huge settings file the game ended with status $GAME_STATUS"
  wait_for 5 "the panel back" panel_back
  check_screen "$WORK/before.ppm" "after a game with a huge settings file"
  log "a 20 MB settings file: played and ended"
  stop_all

  # Screens the game cannot use: refused before anything is touched.
  local geometry why
  for geometry in 1024x768x8 16x16x24; do
    start_xvfb "$geometry"
    local status=0
    why=$(env LUMBRAVICK_TRACE="$WORK/trace-$geometry.jsonl" timeout 10 "$GAME" 2>&1) || status=$?
    [ "$status" = 1 ] || fail "$geometry: status $status"
    [ "$(printf '%s\n' "$why" | wc -l)" = 1 ] || fail "$geometry: not one line: $why"
    if [ -e "$WORK/trace-$geometry.jsonl" ] && trace_has "$WORK/trace-$geometry.jsonl" desktop; then
      fail "$geometry: the desktop was touched"
    fi
    log "$geometry: $why"
    stop_all
  done

  # A 16-bit screen is played on.
  rm -f "$settings"
  start_xvfb 1024x768x16
  start_desktop
  note_desktop
  wait_screen_settled 20
  start_game depth16 LUMBRAVICK_DUMP_CAPTURES="$WORK"
  wait_in_play
  local icons
  icons=$(diff_count "$WORK/capture-1.ppm" "$WORK/capture-2.ppm")
  [ "$icons" -gt 2000 ] || fail "on a 16-bit screen only $icons icon pixels were seen"
  kill -KILL "$GAME_PID"
  wait_for 2 "the panel back" panel_back
  check_panel "on a 16-bit screen"
  log "a 16-bit screen: $icons icon pixels, the panel back after kill -9"
}

# ---- run the lanes side by side -------------------------------------------------------------
# GUARDIAN_LANES="kill env" runs only those.
RUN_LANES=${GUARDIAN_LANES:-kill stop xstop env}
log "lanes $RUN_LANES in $TOP"
declare -A LANES=()
for name in $RUN_LANES; do
  ("lane_$name") >"$TOP/lane-$name.log" 2>&1 &
  LANES[$name]=$!
done
failed=0
for name in $RUN_LANES; do
  if wait "${LANES[$name]}"; then
    sed 's/^/  /' "$TOP/lane-$name.log" | grep -v '^  ---- \|^  linux-e2e' | grep '\] ' || true
  else
    failed=1
    echo "linux-guardian: lane $name FAILED:" >&2
    sed 's/^/  /' "$TOP/lane-$name.log" >&2
  fi
done
[ -f "$TOP/figures" ] && echo "figures: $(sort "$TOP/figures" | tr '\n' ' ')"
if [ $failed = 0 ] && [ "${KEEP_E2E:-0}" != 1 ]; then rm -rf "$TOP"; else echo "linux-guardian: files kept in $TOP" >&2; fi
[ $failed = 0 ] || exit 1
log "all guardian checks passed in ${SECONDS}s"
