#!/usr/bin/env bash
# End-to-end test of the Linux build on a real X11 desktop.
#
#   tools/ci/linux-e2e.sh [BUILD_DIR]      (default: build/game)
#
# Builds what it needs in BUILD_DIR (the linux backend) if it is not there,
# then, under Xvfb:
#  1. on a bare 1920x1080 screen: the backend's unit tests and the present
#     benchmark;
#  2. on a 1024x768 desktop (openbox, pcmanfm --desktop with a wallpaper and
#     icons in a private HOME, tint2 as the panel, one xlogo window):
#     a. a whole game: panel unmapped and windows minimised during the game,
#        the captures and the screen, the pause, a second instance, the
#        paddle following the mouse, a key press ending the game, the end
#        screen's texts, OK locked for 5 s, and afterwards the panel back with
#        its state, the screen as before and the setting stored;
#     b. a game nobody plays: the icon scan lasts about four seconds and no
#        ball is lost in the first 1.5 s; SIGTERM then: the panel comes back;
#     c. SIGSEGV (a crash) in the middle of a game: the panel comes back;
#     d. the game's X connection closed (xkill): the panel comes back;
#     f. the dialogs' keys with the focus where each dialog puts it: Enter and
#        Esc locked on the end screen for 5 s, then closing it; Enter and Esc
#        closing About; Esc cancelling and Enter confirming the chooser;
#     e. a desktop without a wallpaper pixmap: the desktop window is unmapped
#        for the capture without icons and mapped again.
# Installs nothing (tools/packages-linux.txt lists what it needs). Ends every
# process it started. Exit status 0 when every check passed.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${1:-$ROOT/build/game}
case $BUILD in /*) ;; *) BUILD=$PWD/$BUILD ;; esac

for tool in Xvfb openbox pcmanfm tint2 xdotool xprop xwininfo xkill xlogo import convert cmake; do
  command -v "$tool" >/dev/null || { echo "linux-e2e: FAIL: $tool is missing (see tools/packages-linux.txt)" >&2; exit 1; }
done

WORK=$(mktemp -d /tmp/lumbravick-e2e.XXXXXX)
CHECK=$BUILD/tests/linux/lumbravick-e2e-check
GAME=$BUILD/toolkit/linux/lumbravick
# shellcheck source=../../tests/linux/e2e_lib.sh
. "$ROOT/tests/linux/e2e_lib.sh"

cleanup() {
  local status=$?
  stop_all
  if [ $status = 0 ] && [ "${KEEP_E2E:-0}" != 1 ]; then rm -rf "$WORK"; else echo "linux-e2e: files kept in $WORK" >&2; fi
}
trap cleanup EXIT
trap 'fail "interrupted"' INT TERM

# ---- build ------------------------------------------------------------------------
if [ ! -x "$GAME" ] || [ ! -x "$CHECK" ] || [ ! -x "$BUILD/tests/linux/lumbravick_linux_tests" ]; then
  log "building the linux backend in $BUILD"
  cmake -S "$ROOT" -B "$BUILD" -DLUMBRAVICK_BACKEND=linux -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$WORK/cmake.log" 2>&1 ||
    fail "cmake configure failed"
  cmake --build "$BUILD" -j2 --target lumbravick lumbravick-e2e-check lumbravick_linux_tests >>"$WORK/cmake.log" 2>&1 ||
    fail "the build failed"
  if grep -q '^lumbravick_linux_bench:' "$BUILD/toolkit/linux/Makefile" 2>/dev/null; then
    cmake --build "$BUILD" -j2 --target lumbravick_linux_bench >>"$WORK/cmake.log" 2>&1 || fail "the benchmark build failed"
  fi
fi

# tools/run.sh refuses a missing or unreachable X display before installing or
# building, in the game's own words. (Should it go on, it finds no apt-get and
# no cmake.)
mkdir -p "$WORK/no-build"
for tool in apt-get sudo cmake; do printf '#!/bin/sh\nexit 97\n' >"$WORK/no-build/$tool"; done
chmod +x "$WORK"/no-build/*
for display in - :unused "localhost:$((RANDOM % 1000 + 4000))"; do
  for wayland in "" wayland-0; do
    set_display=(-u DISPLAY)
    [ "$display" = - ] || set_display=("DISPLAY=$display")
    game_says=$(env "${set_display[@]}" WAYLAND_DISPLAY="$wayland" "$GAME" 2>&1) || true
    run_says=$(env "${set_display[@]}" WAYLAND_DISPLAY="$wayland" PATH="$WORK/no-build:$PATH" \
      bash "$ROOT/tools/run.sh" 2>&1) && fail "tools/run.sh went on without an X display ($display)"
    [ "$run_says" = "$game_says" ] || fail "tools/run.sh says \"$run_says\", the game \"$game_says\""
  done
done
log "tools/run.sh stops at once without an X display, as the game does"

# A private session: nothing of the user's desktop is read or changed.
export HOME=$WORK/home
export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
export XDG_RUNTIME_DIR=$WORK/run
export NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS=disabled: SDL_AUDIODRIVER=dummy
# Times on the end screen in the 24-hour form the checks expect.
export LC_ALL=C.UTF-8
ulimit -c 0  # the crash test leaves no core file
unset WAYLAND_DISPLAY SESSION_MANAGER
mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME/pcmanfm/default" "$XDG_CONFIG_HOME/tint2" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# ==== 1. unit tests and benchmark on a bare screen ====================================
start_xvfb 1920x1080x24
log "unit tests of the linux backend on $DISPLAY"
LUMBRAVICK_X_TESTS=1 "$BUILD/tests/linux/lumbravick_linux_tests" --gtest_brief=1 >"$WORK/unit-tests.log" 2>&1 ||
  fail "unit tests failed (see $WORK/unit-tests.log)"
grep -q "SKIPPED" "$WORK/unit-tests.log" && fail "unit tests were skipped although a display is there"
tail -n 3 "$WORK/unit-tests.log"
if [ -x "$BUILD/toolkit/linux/lumbravick_linux_bench" ]; then
  log "present benchmark at 1920x1080"
  "$BUILD/toolkit/linux/lumbravick_linux_bench" --benchmark_min_time=1 >"$WORK/bench.log" 2>&1 ||
    fail "the benchmark failed"
  grep -E "^(screen|MainLoopPass|PresentWholeFrame)" "$WORK/bench.log" || true
fi
stop_all

# ==== 2. the desktop ===================================================================
start_xvfb 1024x768x24
SCREEN_W=1024 SCREEN_H=768
log "desktop on $DISPLAY: openbox, pcmanfm, tint2"
start_desktop
PANEL=$(window_of_type DOCK)
DESKTOP_WIN=$(window_of_type DESKTOP)
wait_for 10 "the panel on the screen" is_viewable "$PANEL"
PANEL_RECT=$(frame_rect "$PANEL")
PANEL_STATE=$(net_wm_state "$PANEL")
log "panel $PANEL at $PANEL_RECT: $PANEL_STATE"

start_bg xlogo xlogo -geometry 200x200+600+150
XLOGO_PID=$LAST_PID
wait_for 10 "the xlogo window" sh -c 'xdotool search --class xlogo >/dev/null'
XLOGO=$(xdotool search --class xlogo | head -1)
wait_for 10 "xlogo on the screen" is_viewable "$XLOGO"
XLOGO_RECT=$(frame_rect "$XLOGO")
wait_screen_settled 20

# ---- a game -------------------------------------------------------------------------------
# Sets GAME_PID, TRACE, CAPS for run number $1.
start_game() {
  TRACE=$WORK/trace-$1.jsonl
  CAPS=$WORK/captures-$1
  mkdir -p "$CAPS"
  start_bg "game-$1" env LUMBRAVICK_TRACE="$TRACE" LUMBRAVICK_DUMP_CAPTURES="$CAPS" "$GAME"
  GAME_PID=$LAST_PID
}

game_running() { kill -0 "$GAME_PID" 2>/dev/null; }
# The play window (title "Lumbravick"), when it is on the screen.
game_window() { xdotool search --onlyvisible --name '^Lumbravick$' 2>/dev/null | head -1; }
game_window_viewable() { [ -n "$(game_window)" ]; }
# Waits for the game to end; leaves its exit status in GAME_STATUS.
wait_game_end() {
  local end=$((SECONDS + $1))
  while game_running; do
    [ "$SECONDS" -lt "$end" ] || fail "the game did not end within $1s"
    sleep 0.1
  done
  set +e
  wait "$GAME_PID"
  GAME_STATUS=$?
  set -e
}

# The state of the desktop once a game is over: panel and desktop window
# back, the panel's state as before, the screen as before the game apart from
# the minimised window.
check_desktop_back() {
  local before=$1 label=$2
  wait_for 5 "$label: the panel mapped again" is_viewable "$PANEL"
  [ "$(net_wm_state "$PANEL")" = "$PANEL_STATE" ] ||
    fail "$label: the panel's state changed: $(net_wm_state "$PANEL") (was: $PANEL_STATE)"
  is_viewable "$DESKTOP_WIN" || fail "$label: the desktop window is not on the screen"
  local n=-1 i
  for i in $(seq 1 30); do
    shot "$WORK/after.ppm"
    n=$(diff_count "$before" "$WORK/after.ppm" --exclude "$XLOGO_RECT")
    [ "$n" = 0 ] && break
    sleep 0.2
  done
  [ "$n" = 0 ] || fail "$label: $n pixels of the screen differ from before the game"
  is_viewable "$XLOGO" && fail "$label: the xlogo window is on the screen again"
  log "$label: panel back with its state, screen as before"
}

# ---- 2a. a whole game --------------------------------------------------------------------
label_not_pause() { [ "$("$CHECK" field "$TRACE" label text)" != Pause ]; }

whole_game() {
  local run=$1
  shot "$WORK/before-$run.ppm"
  local BEFORE=$WORK/before-$run.ppm
  start_game "$run"
  wait_for 20 "the game window" trace_has "$TRACE" show --where window=frmMain

  # Paused, the play surface stands still and can be checked pixel by pixel.
  wait_for 5 "the game window on the screen" game_window_viewable
  xdotool mousemove 512 300 click 3
  wait_for 5 "the pause (\"Pause\" on the panel)" trace_has "$TRACE" label --where text=Pause
  log "paused"

  is_unmapped "$PANEL" || fail "the panel is not unmapped during the game"
  [ "$(wm_state "$XLOGO")" = Iconic ] || fail "the xlogo window was not minimised (WM_STATE $(wm_state "$XLOGO"))"
  [ "$(trace_field "$TRACE" cursor visible --first)" = false ] || fail "the pointer was not hidden at the start"
  [ "$(trace_field "$TRACE" cursor visible)" = true ] || fail "the pointer was not shown by the pause"

  # The captures: the desktop with its icons and without the panel; the
  # same without icons is the wallpaper.
  local with=$CAPS/capture-1.ppm without=$CAPS/capture-2.ppm
  [ -s "$with" ] && [ -s "$without" ] || fail "the captures were not written"
  [ "$("$CHECK" size "$with")" = "$SCREEN_W $SCREEN_H" ] || fail "capture size $("$CHECK" size "$with")"
  n=$(diff_count "$BEFORE" "$with" --exclude "$PANEL_RECT" --exclude "$XLOGO_RECT")
  [ "$n" = 0 ] || fail "the capture with icons differs from the desktop in $n pixels outside the panel"
  n=$(diff_count "$BEFORE" "$with" --region "$PANEL_RECT")
  [ "$n" -gt 0 ] || fail "the panel is in the capture"
  n=$(diff_count "$with" "$without" --region "$PANEL_RECT")
  [ "$n" = 0 ] || fail "where the panel was, the capture does not show the wallpaper ($n pixels)"
  icons=$(diff_count "$with" "$without")
  [ "$icons" -gt 2000 ] || fail "only $icons pixels differ between the captures: no icons seen"
  log "captures: $icons icon pixels; no panel"

  # The screen: the capture with icons, under the ball, the paddle and the
  # status panel.
  local ball paddle_top
  ball=$(trace_field "$TRACE" serve ball)
  paddle_top=$(trace_field "$TRACE" serve paddle | cut -d, -f2)
  local bx=${ball%,*} by=${ball#*,}
  BALL_RECT="$((bx - 2)),$((by - 2)),20,20"
  PADDLE_BAND="0,$paddle_top,$SCREEN_W,32"
  DISPLAY_RECT="$((SCREEN_W - 200)),$((SCREEN_H - 40)),200,40"
  shot "$WORK/paused-$run.ppm"
  n=$(diff_count "$with" "$WORK/paused-$run.ppm" --exclude "$BALL_RECT" --exclude "$PADDLE_BAND" --exclude "$DISPLAY_RECT")
  [ "$n" = 0 ] || fail "the screen during the game differs from the capture in $n pixels"
  log "the screen shows the desktop with its icons and no panel"

  # A second instance ends at once and touches nothing.
  local second=$WORK/trace-second-$run.jsonl
  start_bg "second-$run" env LUMBRAVICK_TRACE="$second" "$GAME"
  local second_pid=$LAST_PID second_start=$SECONDS
  while kill -0 "$second_pid" 2>/dev/null; do
    [ $((SECONDS - second_start)) -lt 8 ] || fail "the second instance did not end at once"
    sleep 0.1
  done
  set +e
  wait "$second_pid"
  local second_status=$?
  set -e
  [ "$second_status" = 0 ] || fail "the second instance ended with status $second_status"
  trace_has "$second" desktop && fail "the second instance touched the desktop"
  trace_has "$second" exit || fail "the second instance left no exit in its trace"
  game_running || fail "the game ended when a second instance started"
  is_unmapped "$PANEL" || fail "the second instance mapped the panel"
  shot "$WORK/second-$run.ppm"
  n=$(diff_count "$WORK/paused-$run.ppm" "$WORK/second-$run.ppm" --exclude "$BALL_RECT" --exclude "$PADDLE_BAND")
  [ "$n" = 0 ] || fail "the screen changed by $n pixels when a second instance started"
  log "second instance ended at once, nothing touched"

  # Resume; the paddle follows the mouse.
  xdotool click 3
  wait_for 5 "the resume" label_not_pause
  local x found box
  for x in 120 640; do
    xdotool mousemove "$x" 300
    found=0
    for _ in $(seq 1 25); do
      shot "$WORK/paddle.ppm"
      box=$("$CHECK" bbox "$with" "$WORK/paddle.ppm" --region "0,$((paddle_top + 4)),$SCREEN_W,24")
      if [ "$box" != none ]; then
        set -- $box
        if [ $(($1 - x)) -ge -6 ] && [ $(($1 - x)) -le 6 ]; then found=1; break; fi
      fi
      sleep 0.1
    done
    [ $found = 1 ] || fail "the paddle did not follow the mouse to x=$x (seen at: $box)"
  done
  log "the paddle follows the mouse"

  # A key press ends the game.
  trace_has "$TRACE" end_screen && fail "the game ended before the key was pressed"
  xdotool key a
  wait_for 5 "the end screen" trace_has "$TRACE" end_screen
  local seen=$SECONDS
  wait_for 5 "the end screen window" sh -c 'xdotool search --name "^Vantoro Lumbravick$" >/dev/null'
  local end_win
  end_win=$(xdotool search --name '^Vantoro Lumbravick$' | head -1)
  wait_for 5 "the end screen on the screen" is_viewable "$end_win"
  read -r ex ey < <(window_origin "$end_win")
  local okx=$((ex + 144 + 40)) oky=$((ey + 152 + 12))

  # OK does nothing during the first 5 seconds.
  sleep 1
  xdotool mousemove "$okx" "$oky" click 1
  sleep 1
  trace_has "$TRACE" unload --where window=frmEndScreen && fail "OK could be used before 5 seconds had passed"
  game_running || fail "the game ended before OK could be pressed"
  is_unmapped "$PANEL" || fail "the panel came back before OK"
  while [ $((SECONDS - seen)) -lt 6 ]; do sleep 0.2; done
  xdotool mousemove "$okx" "$oky" click 1
  wait_for 5 "OK to close the end screen" trace_has "$TRACE" unload --where window=frmEndScreen
  wait_game_end 10
  [ "$GAME_STATUS" = 0 ] || fail "the game ended with status $GAME_STATUS"
  [ "$(trace_field "$TRACE" exit code)" = 0 ] || fail "the trace does not end with exit code 0"
  log "OK locked for 5 s, then closed the end screen; the game ended"
  check_end_texts "$TRACE"

  # The count of icon pixels is the difference of the two captures, in the
  # columns the scan got through (the game may end before it is over; no
  # pixel is destroyed before).
  local column counted differing
  if [ "$(trace_field "$TRACE" state IconPixelsDone)" = true ]; then
    column=$SCREEN_W counted=$(trace_field "$TRACE" state IconPixelsTotal) differing=$icons
  else
    column=$(trace_field "$TRACE" state ScanColumn) counted=$(trace_field "$TRACE" state IconPixels)
    [ "$column" -gt 0 ] || fail "the icon-pixel scan did not begin"
    differing=$(diff_count "$with" "$without" --region "0,0,$column,$SCREEN_H")
  fi
  [ "$counted" = "$differing" ] ||
    fail "$counted icon pixels counted in columns 0 to $((column - 1)), where the captures differ in $differing"
  log "$counted icon pixels counted in columns 0 to $((column - 1)) = differing pixels of the captures"

  check_desktop_back "$BEFORE" "after OK"

  # The setting holds the sheet.
  local settings=$XDG_CONFIG_HOME/Vantoro/Lumbravick/settings.ini sheet
  sheet=$(trace_field "$TRACE" setting value)
  [ -f "$settings" ] || fail "no settings file at $settings"
  grep -qx '\[StyleSheet\]' "$settings" || fail "no [StyleSheet] group in $settings"
  grep -qx "StyleSheet=$sheet" "$settings" || fail "the settings file does not hold StyleSheet=$sheet: $(cat "$settings")"
  log "settings file holds StyleSheet=$sheet"
  return 0
}

# The end screen's texts, exactly, for the state the game ended in.
check_end_texts() {
  local trace=$1 play speed total left done destroyed secs
  play=$(trace_field "$trace" end_screen play_time)
  speed=$(trace_field "$trace" end_screen speed)
  # The state line at the very end holds the counts the texts were made of
  # (they cannot change once the end screen is open).
  trace_has "$trace" state || fail "no final state line in the trace"
  total=$(trace_field "$trace" state IconPixelsTotal)
  left=$(trace_field "$trace" state IconPixels)
  done=$(trace_field "$trace" state IconPixelsDone)
  destroyed=$((total - left))
  [[ $play =~ ^You\ were\ playing\ 00:00:([0-5][0-9])(.*)$ ]] || fail "end screen play time: \"$play\""
  secs=$((10#${BASH_REMATCH[1]}))
  local suffix=${BASH_REMATCH[2]}
  local t_end=$(( $(trace_field "$trace" end_screen t) / 1000 ))
  [ $((t_end - secs)) -ge -1 ] && [ $((t_end - secs)) -le 1 ] || fail "play time $secs s, but the end came at $t_end s"
  if [ "$destroyed" -le 0 ] || [ "$done" != true ]; then
    [ -z "$suffix" ] || fail "play time line has a suffix although nothing was destroyed: \"$play\""
    [ "$speed" = $'You didn\'t even destroy one pixel of an icon.\r\nWe are very disappointed.' ] ||
      fail "end screen speed text: \"$speed\""
  else
    [ "$suffix" = " and destroyed $destroyed of $total pixels." ] || fail "play time suffix: \"$suffix\""
    local verdict
    if [ "$left" -le 500 ]; then verdict="You shouldn't give up. You nearly got it."
    elif [ $((total)) -ge $((2 * left)) ]; then verdict="At least you cleaned up more than half of your desktop."
    else verdict="Perhaps you will succeed next time."; fi
    [[ $speed =~ ^Your\ pixel\ destroy\ speed\ was\ [0-9]+(\.[0-9]{0,2})?\ pps\ \(pixels\ per\ second\)$'\r\n'(.*)$ ]] ||
      fail "end screen speed text: \"$speed\""
    [ "${BASH_REMATCH[2]}" = "$verdict" ] || fail "end screen verdict: \"${BASH_REMATCH[2]}\" (expected \"$verdict\")"
  fi
  log "end screen: \"$play\" / \"${speed//$'\r\n'/ | }\""
}

log "2a. a whole game"
whole_game 1
MAIN_CAPS=$CAPS

# ---- 2b, 2c. a signal in the middle of a game ----------------------------------------------
# killed_game NAME SIGNAL STATUS: the game killed by SIGNAL ends with STATUS
# and gives the desktop back.
killed_game() {
  local name=$1 sig=$2 want=$3
  log "2${name}. SIG$sig in the middle of a game"
  shot "$WORK/before-$name.ppm"
  start_game "$name"
  wait_for 20 "the game window" trace_has "$TRACE" show --where window=frmMain
  wait_for 5 "the game loop" trace_has "$TRACE" label
  is_unmapped "$PANEL" || fail "the panel is not unmapped during the game"
  [ "${PACE_CHECK:-0}" = 0 ] || check_pace
  kill -s "$sig" "$GAME_PID"
  wait_game_end 10 2>/dev/null  # the shell's note on a crashed job is expected
  [ "$GAME_STATUS" = "$want" ] || fail "after SIG$sig the game ended with status $GAME_STATUS, not $want"
  check_desktop_back "$WORK/before-$name.ppm" "after SIG$sig"
}
# The pace of a game nobody plays, from its trace: a pass of the icon scan
# lasts LoopDelay (4 ms) as a play pass does, so the scan's W + 2 passes take
# about four seconds, and no ball is lost in the first 1.5 s after the window
# came up. (Both balls may be lost before the scan is over.)
check_pace() {
  wait_for 20 "the end of the icon scan or of the game" \
    sh -c "grep -qE '\"ev\":\"(scan_done|end_screen)\"' '$TRACE'"
  local t0 p0 t1 p1 shown lost=none scan=unfinished scanning
  scanning=$(sed -n 's/^{"t":\([0-9]*\),"ev":"pace","passes":\([0-9]*\),.*"scanning":true}$/\1 \2/p' "$TRACE")
  read -r t0 p0 <<<"$(head -n1 <<<"$scanning")"
  read -r t1 p1 <<<"$(tail -n1 <<<"$scanning")"
  [ -n "$t1" ] && [ "$t1" -gt "$t0" ] || fail "the trace holds no two pace lines of the icon scan"
  local rate=$(((p1 - p0) * 1000 / (t1 - t0)))
  [ $rate -le 260 ] || fail "the icon scan ran $rate passes a second; a pass lasts at least 4 ms"
  if trace_has "$TRACE" scan_done; then
    scan=$(($(trace_field "$TRACE" scan_done t) - t0))
    [ $scan -ge 3500 ] && [ $scan -le 10000 ] || fail "the icon scan took $scan ms, not about $(((SCREEN_W + 2) * 4)) ms"
    scan="$scan ms"
  fi
  shown=$(trace_field "$TRACE" show t --where window=frmMain)
  if trace_has "$TRACE" sound --where id=106; then
    lost=$(($(trace_field "$TRACE" sound t --where id=106 --first) - shown))
    [ $lost -ge 1500 ] || fail "a ball was lost $lost ms after the game window came up"
    lost="$lost ms"
  fi
  log "icon scan: $rate passes a second, done in $scan; first ball lost after: $lost"
}
PACE_CHECK=1 killed_game b TERM 143
[ "$(trace_field "$TRACE" signal number)" = 15 ] || fail "no signal event in the trace after SIGTERM"
[ "$(trace_field "$TRACE" exit code)" = 143 ] || fail "the trace does not end with exit code 143 after SIGTERM"
killed_game c SEGV 139

# ---- 2d. the X connection closed under the game ---------------------------------------------
log "2d. the game's X connection closed (xkill)"
shot "$WORK/before-xkill.ppm"
start_game xkill
wait_for 20 "the game window" trace_has "$TRACE" show --where window=frmMain
wait_for 5 "the game loop" trace_has "$TRACE" label
wait_for 5 "the game window on the screen" game_window_viewable
is_unmapped "$PANEL" || fail "the panel is not unmapped during the game"
xkill -id "$(game_window)" >"$WORK/xkill.log" 2>&1
wait_game_end 10
[ "$GAME_STATUS" = 1 ] || fail "after losing its X connection the game ended with status $GAME_STATUS, not 1"
grep -q "connection to the X server was lost" "$WORK/game-xkill.log" || fail "the game did not say that its X connection was lost"
check_desktop_back "$WORK/before-xkill.ppm" "after the X connection closed"

# ---- 2f. the dialogs' keys ------------------------------------------------------------------
# dialog_keys NAME KEY: the end screen of a game ended at once, with the keys
# only and the focus never moved: while OK is locked Enter and Esc do nothing;
# with WALK=1, About (Alt+A) is closed by Enter, again by Esc, and its chooser
# (Alt+S) cancelled by Esc (nothing stored) and confirmed by Enter (the sheet
# stored); after the lock KEY closes the end screen and the game ends.
window_count() { trace_count "$TRACE" "$1" --where "window=$2"; }
wait_window_count() {
  wait_for 5 "$1 $2 ($3)" sh -c "[ \"\$('$CHECK' count '$TRACE' '$1' --where window=$2 2>/dev/null)\" = $3 ]"
}
dialog_keys() {
  local name=$1 key=$2 seen settings
  start_game "$name"
  wait_for 20 "the game window" trace_has "$TRACE" show --where window=frmMain
  wait_for 5 "the game window on the screen" game_window_viewable
  wait_for 5 "the game loop" trace_has "$TRACE" label
  xdotool key a
  wait_for 5 "the end screen" trace_has "$TRACE" end_screen
  seen=$SECONDS
  wait_for 5 "the end screen on the screen" sh -c 'xdotool search --onlyvisible --name "^Vantoro Lumbravick$" >/dev/null'
  sleep 0.5
  xdotool key Return key Escape
  sleep 0.7
  [ "$(window_count unload frmEndScreen)" = 0 ] || fail "Enter or Esc closed the end screen while OK was locked"
  if [ "${WALK:-0}" = 1 ]; then
    xdotool key alt+a
    wait_window_count show frmAbout 1
    sleep 0.5
    xdotool key Return
    wait_window_count unload frmAbout 1
    xdotool key alt+a
    wait_window_count show frmAbout 2
    sleep 0.5
    xdotool key Escape
    wait_window_count unload frmAbout 2
    xdotool key alt+a
    wait_window_count show frmAbout 3
    sleep 0.5
    settings=$(trace_count "$TRACE" setting)
    xdotool key alt+s
    wait_window_count show frmStyleSheets 1
    sleep 0.5
    xdotool key Escape
    wait_window_count unload frmStyleSheets 1
    [ "$(trace_count "$TRACE" setting)" = "$settings" ] || fail "Esc in the chooser stored a sheet"
    xdotool key alt+s
    wait_window_count show frmStyleSheets 2
    sleep 0.5
    xdotool key Return
    wait_window_count unload frmStyleSheets 2
    [ "$(trace_count "$TRACE" setting)" = $((settings + 1)) ] || fail "Enter in the chooser stored no sheet"
    xdotool key Escape
    wait_window_count unload frmAbout 3
    log "About: Enter and Esc close it; the chooser: Esc cancels, Enter confirms"
  fi
  [ "$(window_count unload frmEndScreen)" = 0 ] || fail "Enter or Esc closed the end screen while OK was locked"
  while [ $((SECONDS - seen)) -lt 6 ]; do sleep 0.2; done
  xdotool key "$key"
  wait_window_count unload frmEndScreen 1
  wait_game_end 10
  [ "$GAME_STATUS" = 0 ] || fail "the game ended with status $GAME_STATUS"
  log "end screen: Enter and Esc locked for 5 s, then $key closed it"
}
log "2f. the dialogs' keys"
WALK=1 dialog_keys f1 Return
dialog_keys f2 Escape

# ---- 2e. no wallpaper pixmap ------------------------------------------------------------------
log "2e. a desktop without a wallpaper pixmap"
xprop -root -remove _XROOTPMAP_ID
xprop -root _XROOTPMAP_ID | grep -q 'not found' || fail "_XROOTPMAP_ID could not be removed"
wait_screen_settled 10
shot "$WORK/before-e.ppm"
start_game e
wait_for 20 "the icon layer hidden" trace_has "$TRACE" desktop --where op=icons_hide
wait_for 3 "the desktop window unmapped" is_unmapped "$DESKTOP_WIN"
wait_for 20 "the icon layer back" trace_has "$TRACE" desktop --where op=icons_show
wait_for 5 "the desktop window mapped again" is_viewable "$DESKTOP_WIN"
wait_for 10 "the game window" trace_has "$TRACE" show --where window=frmMain
n=$(diff_count "$MAIN_CAPS/capture-2.ppm" "$CAPS/capture-2.ppm")
[ "$n" = 0 ] || fail "without the pixmap the capture without icons differs in $n pixels from the wallpaper"
n=$(diff_count "$MAIN_CAPS/capture-1.ppm" "$CAPS/capture-1.ppm")
[ "$n" = 0 ] || fail "the capture with icons differs in $n pixels from the first game's"
log "desktop window unmapped for the second capture only; the same captures as with the pixmap"
kill -TERM "$GAME_PID"
wait_game_end 10
check_desktop_back "$WORK/before-e.ppm" "after the game without a pixmap"

log "all checks passed in ${SECONDS}s"
