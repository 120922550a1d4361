# Helpers of tools/ci/linux-e2e.sh and tools/ci/linux-desktops.sh: processes,
# waiting, X windows, pictures and the flight recorder. Sourced; expects WORK
# (a scratch folder) and CHECK (the lumbravick-e2e-check program) to be set.

STARTED_PIDS=()
E2E_DEADLINE=${E2E_DEADLINE:-480}   # seconds for the whole run

log() { printf '[%4ds] %s\n' "$SECONDS" "$*"; }

# Shows what the run left behind that helps to see why it failed.
diagnose() {
  local f
  for f in "$WORK"/*.log "$WORK"/*.jsonl; do
    [ -s "$f" ] || continue
    echo "---- last lines of $(basename "$f")" >&2
    tail -n 15 "$f" | cut -c1-300 >&2
  done
}

fail() {
  echo "linux-e2e: FAIL: $*" >&2
  diagnose
  exit 1
}

# start_bg NAME COMMAND...: runs COMMAND in the background with its output in
# $WORK/NAME.log; its process id is left in LAST_PID and remembered so the
# run can end it.
start_bg() {
  local name=$1
  shift
  "$@" >"$WORK/$name.log" 2>&1 &
  LAST_PID=$!
  STARTED_PIDS+=("$LAST_PID")
}

# Ends every process the run started, newest first, by its id.
stop_all() {
  local i pid
  for ((i = ${#STARTED_PIDS[@]} - 1; i >= 0; i--)); do
    pid=${STARTED_PIDS[$i]}
    kill -TERM "$pid" 2>/dev/null || true
  done
  for ((i = 0; i < 20; i++)); do
    local alive=0
    for pid in "${STARTED_PIDS[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
    [ $alive = 0 ] && break
    sleep 0.1
  done
  for pid in "${STARTED_PIDS[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  STARTED_PIDS=()
}

check_deadline() {
  [ "$SECONDS" -lt "$E2E_DEADLINE" ] || fail "the run took longer than ${E2E_DEADLINE}s"
}

# wait_for SECONDS DESCRIPTION COMMAND...: polls COMMAND until it succeeds.
wait_for() {
  local limit=$1 what=$2
  shift 2
  local end=$((SECONDS + limit))
  until "$@"; do
    check_deadline
    [ "$SECONDS" -lt "$end" ] || fail "timed out after ${limit}s waiting for: $what"
    sleep 0.1
  done
}

# ---- the flight recorder ----------------------------------------------------

# trace_count FILE EVENT [--where KEY=VALUE]
trace_count() { "$CHECK" count "$@" 2>/dev/null || echo 0; }
trace_has() { [ "$(trace_count "$@")" -gt 0 ]; }
# trace_field FILE EVENT KEY [--where KEY=VALUE] [--first]
trace_field() { "$CHECK" field "$@"; }

# ---- pictures ------------------------------------------------------------------

# shot FILE.ppm: the whole screen as the user sees it.
shot() { import -display "$DISPLAY" -window root -depth 8 "ppm:$1" 2>>"$WORK/import.log"; }

# diff_count A B [--region R] [--exclude R]...
diff_count() { "$CHECK" diff "$@"; }

# Waits until two screenshots in a row agree (windows drawn, icons placed).
wait_screen_settled() {
  local limit=$1 end=$((SECONDS + $1))
  shot "$WORK/settle-a.ppm"
  while :; do
    sleep 0.3
    shot "$WORK/settle-b.ppm"
    [ "$(diff_count "$WORK/settle-a.ppm" "$WORK/settle-b.ppm")" = 0 ] && return 0
    mv "$WORK/settle-b.ppm" "$WORK/settle-a.ppm"
    check_deadline
    [ "$SECONDS" -lt "$end" ] || fail "the screen did not settle within ${limit}s"
  done
}

# ---- X windows --------------------------------------------------------------------

map_state() { xwininfo -id "$1" 2>/dev/null | awk '/Map State:/ {print $3}'; }
is_viewable() { [ "$(map_state "$1")" = IsViewable ]; }
is_unmapped() { [ "$(map_state "$1")" = IsUnMapped ]; }
net_wm_state() { xprop -id "$1" _NET_WM_STATE 2>/dev/null; }
wm_state() { xprop -id "$1" WM_STATE 2>/dev/null | awk '/window state:/ {print $3}'; }

# The first window whose _NET_WM_WINDOW_TYPE is TYPE (e.g. DOCK), among the
# window manager's clients and the root's children.
window_of_type() {
  local type=_NET_WM_WINDOW_TYPE_$1 w
  for w in $(xprop -root _NET_CLIENT_LIST 2>/dev/null | sed 's/.*#//; s/,/ /g') \
           $(xwininfo -root -children 2>/dev/null | awk '/^ +0x/ {print $1}'); do
    if xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q "$type\b"; then
      echo "$w"
      return 0
    fi
  done
  return 1
}

has_window_of_type() { window_of_type "$1" >/dev/null; }

# x,y,w,h of what a client window covers on the screen with its frame: the
# ancestor that is a child of the root.
frame_rect() {
  local w=$1 line
  for _ in 1 2 3 4 5 6; do
    line=$(xwininfo -tree -id "$w" 2>/dev/null | grep 'Parent window id:') || break
    case $line in *"(the root window)"*) break ;; esac
    w=$(echo "$line" | awk '{print $4}')
  done
  xwininfo -id "$w" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
                           /Width:/ {w=$2} /Height:/ {h=$2} END {printf "%d,%d,%d,%d\n", x, y, w, h}'
}

# Client-area origin "x y" of a window.
window_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'
}

# ---- the desktop under test ----------------------------------------------------

# private_session DIR: HOME, the XDG folders and the game's environment under
# DIR; nothing of the user's desktop is read or changed.
private_session() {
  export HOME=$1/home
  export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
  export XDG_RUNTIME_DIR=$1/run
  export NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS=disabled: SDL_AUDIODRIVER=dummy
  export LC_ALL=C.UTF-8
  unset WAYLAND_DISPLAY SESSION_MANAGER
  mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME/pcmanfm/default" "$XDG_CONFIG_HOME/tint2" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
}

# start_xvfb GEOMETRY: a new X server on a free display number; sets DISPLAY
# and XVFB_PID.
start_xvfb() {
  local fifo=$WORK/displayfd.$RANDOM
  mkfifo "$fifo"
  # The server writes its display number to fd 3 once it is ready.
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$fifo" >"$WORK/xvfb-$1.log" 2>&1 &
  XVFB_PID=$!
  STARTED_PIDS+=("$XVFB_PID")
  local n=
  read -r -t 20 n <"$fifo" || true
  rm -f "$fifo"
  [ -n "$n" ] || fail "Xvfb did not start"
  export DISPLAY=:$n
  wait_for 10 "X server $DISPLAY" sh -c "xprop -root >/dev/null 2>&1"
}

# lasting_window_of_type TYPE: the window of TYPE once it is on the screen
# and still the same half a second later (within 20 s).
lasting_window_of_type() {
  local first second
  for _ in $(seq 1 40); do
    first=$(window_of_type "$1" || true)
    sleep 0.5
    second=$(window_of_type "$1" || true)
    if [ -n "$first" ] && [ "$first" = "$second" ] && is_viewable "$first"; then
      echo "$first"
      return 0
    fi
  done
  return 1
}

# A desktop of SCREEN_W x SCREEN_H on DISPLAY, in the private HOME: openbox,
# pcmanfm --desktop with a generated wallpaper and four icons, tint2 as a
# bottom panel (ROOT is the source tree).
start_desktop() {
  mkdir -p "$HOME/Desktop/Projects" "$XDG_CONFIG_HOME/pcmanfm/default" "$XDG_CONFIG_HOME/tint2"
  convert -size "${SCREEN_W}x${SCREEN_H}" gradient:'#1d4e89-#7fb8d6' \
    -fill '#ffffff30' -draw 'circle 700,400 700,200' -fill '#00000030' -draw 'rectangle 300,80 460,300' \
    "$HOME/wallpaper.png"
  local name
  for name in notes plans budget; do echo "$name" >"$HOME/Desktop/$name.txt"; done
  sed "s|@WALLPAPER@|$HOME/wallpaper.png|" "$ROOT/tests/linux/desktop/desktop-items-0.conf.in" \
    >"$XDG_CONFIG_HOME/pcmanfm/default/desktop-items-0.conf"
  cp "$ROOT/tests/linux/desktop/tint2rc" "$XDG_CONFIG_HOME/tint2/tint2rc"
  start_bg openbox openbox
  wait_for 15 "the window manager" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
  start_bg pcmanfm pcmanfm --desktop
  start_bg tint2 tint2 -c "$XDG_CONFIG_HOME/tint2/tint2rc"
  wait_for 20 "the desktop window" has_window_of_type DESKTOP
  wait_for 20 "the wallpaper pixmap" sh -c 'xprop -root _XROOTPMAP_ID | grep -q "pixmap id"'
  wait_for 20 "the panel" has_window_of_type DOCK
}
