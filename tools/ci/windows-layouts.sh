# The game under Wine on each layout of the desktop's windows, with real
# icons: sourced by tools/ci/windows.sh, which provides the Wine prefix and
# desktop, the builds and the helpers (log, fail, budget, probe, wpath,
# wait_trace, count_trace, start_game, wait_exit, wait_taskbar, pause_game,
# point_at).
#
# For each layout the test shell (lumbravick-testshell) builds it and draws a
# wallpaper with icons. Then:
#   - the probe photographs the screen with the shell's icon views shown and
#     hidden: the pixels that differ are the icons the game must count;
#   - one game is played: the count of icon pixels equals that number, the
#     trace names the layer the game found, every taskbar is hidden and the
#     windows that draw the wallpaper are not; the paddle is kept under the
#     ball until it has hit icons after the scan; the destroyed pixels show
#     the wallpaper on the screen; the end screen reports them;
#   - afterwards the views, Progman, WorkerW and every taskbar are visible
#     and the screen is the one from before the game, pixel for pixel.
# The last game is played with Wine's DPI at 144 (150 %): the captures are
# still the whole screen as a DPI-aware program sees it, one to one.

LAYOUT_SHELL=$BUILD/x86_64/tests/win32/lumbravick-testshell.exe
LAYOUT_SHELL_PID=

layout_start_shell() {  # layout
  local out=$WORK/shell-$1.out end=$((SECONDS + 30))
  : >"$out"
  "$WINE64" "$LAYOUT_SHELL" "$1" >>"$out" 2>&1 &
  LAYOUT_SHELL_PID=$!
  GAME_PIDS+=($!)
  until grep -q ready "$out"; do
    kill -0 "$LAYOUT_SHELL_PID" 2>/dev/null || fail "$1: the test shell ended: $(cat "$out")"
    [ $SECONDS -lt $end ] || fail "$1: the test shell did not get ready"
    sleep 0.2
  done
}

layout_stop_shell() {
  kill "$LAYOUT_SHELL_PID" 2>/dev/null || true
  wait_exit "$LAYOUT_SHELL_PID" 20 "the test shell"
  local end=$((SECONDS + 20))
  while probe shell | grep -qE '^(Progman|WorkerW)'; do
    [ $SECONDS -lt $end ] || fail "the test shell's windows outlived it"
    sleep 0.2
  done
}

# ---- keeping the ball in play ------------------------------------------------------------
LAYOUT_INVERT_UNTIL=0

# "x y dx dy" of the ball in the last EVENT line (serve or pause).
layout_ball() {  # trace event
  sed -n "s/.*\"ev\":\"$2\",\"ball\":\\[\\([-0-9]*\\)[.0-9]*,\\([-0-9]*\\)[.0-9]*\\].*\"dir\":\\[\\([-0-9]*\\),\\([-0-9]*\\)\\].*/\\1 \\2 \\3 \\4/p" "$1" | tail -n1
}

# Where a ball at X,Y heading DX,DY (DY not 0) reaches the paddle's row
# TOP, going up to the top edge first when DY is negative; the side edges
# mirror it.
layout_landing() {  # x y dx dy top
  local x=$1 y=$2 dx=$3 dy=$4 top=$5 path period land
  if [ "$dy" -gt 0 ]; then path=$((top - 16 - y)); else path=$((y + top - 16)); dy=$((-dy)); fi
  period=$((2 * (WIDTH - 16)))
  land=$(((x + dx * (path / dy)) % period))
  [ $land -ge 0 ] || land=$((land + period))
  [ $land -le $((WIDTH - 16)) ] || land=$((period - land))
  echo "$land"
}

# Puts the paddle's middle under a ball landing at X. While the controls are
# inverted (a caught power-up), the paddle is the pointer's mirror image.
layout_paddle_under() {  # x
  local left=$(($1 + 8 - 84))
  [ $left -ge 0 ] || left=0
  [ $left -le $((WIDTH - 168)) ] || left=$((WIDTH - 168))
  if [ $SECONDS -lt $LAYOUT_INVERT_UNTIL ]; then left=$((WIDTH - left)); fi
  point_at "$left"
}

# Plays until the ball has hit icons after the scan, then pauses the game.
# The paddle goes where each ball comes down: a serve line tells where a new
# ball goes; after each hit on the paddle or on icons the game is paused for
# the pause line to tell where the ball now goes. Fails (1) when the game
# ended first.
layout_play_until_hit() {  # trace paddle-top
  local trace=$1 top=$2 serves=0 bounces=0 catches=0 x y dx dy end=$((SECONDS + 90))
  local bounce='"ev":"sound","id":10[13]'
  until sed -n '/"ev":"scan_done"/,$p' "$trace" | grep -q '"ev":"sound","id":103'; do
    grep -q '"ev":"end_screen"' "$trace" && return 1
    [ $SECONDS -lt $end ] || fail "no icon was hit after the scan within 90 s"
    if [ "$(count_trace "$trace" '"ev":"catch","kind":"6"')" != "$catches" ]; then
      catches=$(count_trace "$trace" '"ev":"catch","kind":"6"')
      LAYOUT_INVERT_UNTIL=$((SECONDS + 15))
    fi
    if [ "$(count_trace "$trace" '"ev":"serve"')" != "$serves" ]; then
      serves=$(count_trace "$trace" '"ev":"serve"')
      read -r x y dx dy < <(layout_ball "$trace" serve) || fail "no ball in the serve line"
    elif [ "$(count_trace "$trace" "$bounce")" != "$bounces" ]; then
      pause_game "$trace" || return 1
      bounces=$(count_trace "$trace" "$bounce")
      read -r x y dx dy < <(layout_ball "$trace" pause) || fail "no ball in the pause line"
      xdotool click 3
      [ "$dy" != 0 ] || continue
    else
      sleep 0.01
      continue
    fi
    layout_paddle_under "$(layout_landing "$x" "$y" "$dx" "$dy" "$top")"
  done
  pause_game "$trace"
}

# ---- one game on one layout -----------------------------------------------------------------
layout_game() {  # layout layer; returns 2 when the game ended before the ball hit icons
  local layout=$1 layer=$2 trace=$WORK/trace-layout-$1.jsonl
  local with=$WORK/with-$1.raw without=$WORK/without-$1.raw
  local expected shell_before top line total destroyed shown n
  rm -f "$trace"
  wait_taskbar
  expected=$(probe icons "$with" "$without") || fail "$layout: the probe found no icon view"
  [ "$expected" -gt 1000 ] || fail "$layout: only $expected pixels differ with the icons hidden"
  shell_before=$(probe shell | sort)

  point_at 512
  start_game "$EXE64" "$trace"
  local game=$GAME_PID
  wait_trace "$trace" '"ev":"serve"' 90 "serve ($layout)"
  top=$(sed -n 's/.*"ev":"serve".*"paddle":\[[-0-9.]*,\([0-9]*\).*/\1/p' "$trace" | head -n1)
  grep -q "\"op\":\"icons_hide\",\"layer\":\"${layer//\//\\/}\"" "$trace" ||
    fail "$layout: the icons were not hidden in $layer: $(grep icons_hide "$trace")"
  local size
  size=$(probe screen | cut -d' ' -f1-2)
  [ "$(grep -c "\"op\":\"capture\",\"size\":\\[${size/ /,}\\]" "$trace")" = 2 ] ||
    fail "$layout: the captures are not the screen's $size: $(grep '"capture"' "$trace")"

  # While the game runs: every taskbar hidden, the windows that draw the
  # wallpaper and the icons on the screen.
  line=$(probe shell)
  grep -qE '^Shell_(Secondary)?TrayWnd visible=1' <<<"$line" && fail "$layout: a taskbar is visible during the game: $line"
  grep -vE '^Shell_' <<<"$line" | grep -q 'visible=0' && fail "$layout: a desktop window was hidden for the game: $line"
  [ "$(grep -c '^Shell_' <<<"$line")" = "$(grep -c '^Shell_' <<<"$shell_before")" ] ||
    fail "$layout: the taskbars were not all there during the game: $line"

  layout_play_until_hit "$trace" "$top" || return 2
  total=$(sed -n 's/.*"ev":"scan_done","icon_pixels":\([0-9]*\).*/\1/p' "$trace")
  [ "$total" = "$expected" ] || fail "$layout: the game counted $total icon pixels, the shell's two states differ in $expected"
  read -r n < <(probe destroyed "$with" "$without" | sed -n 's/^wallpaper=\([0-9]*\) .*/\1/p')
  [ "${n:-0}" -gt 0 ] || fail "$layout: no icon pixel shows the wallpaper after the ball hit icons"

  # The end screen reports what was destroyed.
  xdotool key a
  wait_trace "$trace" '"ev":"show","window":"frmEndScreen"' 20 "end screen ($layout)"
  shown=$SECONDS
  destroyed=$(sed -n "s/.*\"ev\":\"end_screen\",\"play_time\":\"You were playing [^\"]* and destroyed \\([0-9]*\\) of $total pixels\\.\".*/\\1/p" "$trace")
  [ "${destroyed:-0}" -gt 0 ] || fail "$layout: the end screen reports no destroyed pixels: $(grep '"end_screen"' "$trace")"
  [ "$n" -le "$destroyed" ] || fail "$layout: $n pixels show the wallpaper, but only $destroyed were destroyed"
  local end=$((SECONDS + 20)) xy
  until probe window "Vantoro Lumbravick" | grep -q 'class="Button".*enabled=1.*text="OK"'; do
    [ $SECONDS -lt $end ] || fail "$layout: OK was not unlocked"
    sleep 0.3
  done
  xy=$(probe center "Vantoro Lumbravick" OK) || fail "$layout: cannot find OK"
  xdotool mousemove ${xy% *} ${xy#* } click 1
  wait_trace "$trace" '"ev":"exit"' 20 "program end ($layout)"
  wait_exit "$game" 20 "the game ($layout)"

  # Everything the game hid is back, and the screen is as it was.
  [ "$(probe shell | sort)" = "$shell_before" ] || fail "$layout: after the game: $(probe shell)"
  end=$((SECONDS + 15))
  until [ "$(probe diff "$with" 0 0 "${size% *}" "${size#* }")" = 0 ]; do
    [ $SECONDS -lt $end ] || fail "$layout: $(probe diff "$with" 0 0 "${size% *}" "${size#* }") pixels differ from before the game"
    sleep 0.5
  done
  log "$layout: icons in $layer, $total icon pixels as the shell shows them, $destroyed destroyed ($n seen as wallpaper), everything back"
}

layout_play() {  # layout layer
  local try status
  for try in 1 2 3; do
    budget "game on the $1 layout"
    layout_start_shell "$1"
    status=0
    layout_game "$1" "$2" || status=$?
    if [ $status = 0 ]; then
      layout_stop_shell
      return 0
    fi
    log "$1: the game ended before the ball hit icons; once more (try $try)"
    kill "$GAME_PID" 2>/dev/null || true
    wait_exit "$GAME_PID" 20 "the game ($1)"
    probe show-taskbar
    layout_stop_shell
  done
  fail "$1: no game reached an icon in three runs"
}

play_layouts() {
  local in_progman=Progman/SHELLDLL_DefView/SysListView32
  layout_play classic "$in_progman"
  layout_play workerw WorkerW/SHELLDLL_DefView/SysListView32
  layout_play 24h2 "$in_progman"
  layout_play secondary "$in_progman"

  log "a game at 144 DPI"
  reg_add 'HKCC\Software\Fonts' LogPixels REG_DWORD 144
  [ "$(probe screen)" = "$WIDTH $HEIGHT 144" ] || fail "Wine's DPI did not change: $(probe screen)"
  layout_play classic "$in_progman"
  reg_add 'HKCC\Software\Fonts' LogPixels REG_DWORD 96
}
