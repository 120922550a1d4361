#!/usr/bin/env bash
# Makes the pictures in docs/screenshots/ from real runs of the Linux build on
# a desktop under a virtual X server (openbox, pcmanfm with a wallpaper and
# four icons, tint2 as the panel):
#   play.png                   a game in play (the README opens with it)
#   sheet-N-NAME.png           each style sheet's ball, paddle and status panel
#   end-screen.png             the end screen of that game
#   about.png, chooser.png     the About window and the chooser, opened from it
#   end-screen-5-digits.png, end-screen-7-digits.png, end-screen-all-gone.png
#                              end screens a short game cannot reach, shown by
#                              lumbravick-show-dialog as the game fills them
#
#   tools/screenshots.sh [BUILD_DIR]     (default: build/game, built as needed)
#
# Installs nothing (tools/packages-linux.txt lists what it needs); not run by
# the tests. Ends every process it started.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/game}
case $BUILD in /*) ;; *) BUILD=$PWD/$BUILD ;; esac
OUT=$ROOT/docs/screenshots
WORK=$(mktemp -d /tmp/lumbravick-shots.XXXXXX)
CHECK=$BUILD/toolkit/linux/lumbravick-e2e-check
GAME=$BUILD/toolkit/linux/lumbravick
SHOW=$BUILD/tools/show-dialog/lumbravick-show-dialog
E2E_DEADLINE=600
# shellcheck source=../tests/linux/e2e_lib.sh
. "$ROOT/tests/linux/e2e_lib.sh"
trap 'stop_all; rm -rf "$WORK"' EXIT
trap 'fail "interrupted"' INT TERM

log "building in $BUILD"
cmake -S "$ROOT" -B "$BUILD" -DLUMBRAVICK_BACKEND=linux -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$WORK/cmake.log" 2>&1 ||
  fail "cmake configure failed"
cmake --build "$BUILD" -j2 --target lumbravick lumbravick-e2e-check lumbravick-show-dialog >>"$WORK/cmake.log" 2>&1 ||
  fail "the build failed"

# A private session, with times in the 24-hour form.
export HOME=$WORK/home
export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
export XDG_RUNTIME_DIR=$WORK/run
export NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS=disabled: SDL_AUDIODRIVER=dummy LC_ALL=C.UTF-8
unset WAYLAND_DISPLAY SESSION_MANAGER
mkdir -p "$XDG_RUNTIME_DIR" "$OUT"
chmod 700 "$XDG_RUNTIME_DIR"

SCREEN_W=1024 SCREEN_H=768
start_xvfb "${SCREEN_W}x${SCREEN_H}x24"
start_desktop
wait_screen_settled 20

# save NAME X,Y,W,H: that part of the screen as docs/screenshots/NAME.png.
save() {
  local x y w h
  IFS=, read -r x y w h <<<"$2"
  import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$OUT/$1.png"
  log "docs/screenshots/$1.png ($w x $h)"
}

# The window titled $1 once it is on the screen, drawn.
window_titled() {
  wait_for 10 "the window \"$1\"" sh -c "xdotool search --onlyvisible --name '^$1\$' >/dev/null"
  local w
  w=$(xdotool search --onlyvisible --name "^$1\$" | head -1)
  wait_for 5 "\"$1\" on the screen" is_viewable "$w"
  sleep 0.5
  echo "$w"
}

# start_game SHEET: a game with that style sheet stored; sets GAME_PID, TRACE.
start_game() {
  TRACE=$WORK/trace-$1.jsonl
  mkdir -p "$XDG_CONFIG_HOME/Vantoro/Lumbravick"
  printf '[StyleSheet]\nStyleSheet=%s\n' "$1" >"$XDG_CONFIG_HOME/Vantoro/Lumbravick/settings.ini"
  xdotool mousemove $((SCREEN_W / 2)) $((SCREEN_H / 2))
  start_bg "game-$1" env LUMBRAVICK_TRACE="$TRACE" "$GAME"
  GAME_PID=$LAST_PID
  wait_for 20 "the game window" trace_has "$TRACE" show --where window=frmMain
}

end_game() {
  kill -TERM "$GAME_PID" 2>/dev/null || true
  wait "$GAME_PID" 2>/dev/null || true
  wait_for 10 "the panel back" has_window_of_type DOCK
  wait_screen_settled 20
}

# ---- each style sheet, paused at once: the ball still on the paddle ------------------------
names=(classic las-vegas flat-screen newspaper wood)
for sheet in 0 1 2 3 4; do
  start_game "$sheet"
  xdotool click 3
  wait_for 5 "the pause" trace_has "$TRACE" label --where text=Pause
  sleep 0.5
  # The bottom of the screen: paddle, ball and the status panel at the right.
  save "sheet-$sheet-${names[$sheet]}" "0,$((SCREEN_H - 120)),$SCREEN_W,120"
  end_game
done

# ---- a game in play, its end screen, About and the chooser -------------------------------
start_game 0
wait_for 5 "the game window on the screen" sh -c 'xdotool search --onlyvisible --name "^Lumbravick$" >/dev/null'
sleep 2.5
save play "0,0,$SCREEN_W,$SCREEN_H"
# The pointer out of the dialogs' way, so that nothing shows it hovering.
xdotool mousemove $((SCREEN_W - 1)) 0 key a
end_win=$(window_titled "Vantoro Lumbravick")
save end-screen "$(frame_rect "$end_win")"
xdotool key alt+a
save about "$(frame_rect "$(window_titled "About Lumbravick")")"
xdotool key alt+s
save chooser "$(frame_rect "$(window_titled "Choose StyleSheets")")"
xdotool key Escape
sleep 0.5
xdotool key Escape
sleep 5
xdotool key Return
wait "$GAME_PID" 2>/dev/null || true
wait_screen_settled 20

# ---- end screens a short game cannot reach ----------------------------------------------
# show NAME TOTAL STANDING SECONDS
show_end_screen() {
  xdotool mousemove $((SCREEN_W - 1)) 0
  start_bg "show-$1" "$SHOW" end "$2" "$3" "$4"
  local pid=$LAST_PID
  save "$1" "$(frame_rect "$(window_titled "Vantoro Lumbravick")")"
  kill -TERM "$pid"
  wait "$pid" 2>/dev/null || true
}
show_end_screen end-screen-5-digits 17490 3015 95
show_end_screen end-screen-7-digits 1998750 612004 1874
show_end_screen end-screen-all-gone 17490 0 312
log "done"
