#!/usr/bin/env bash
# The game on the Linux desktops people have, each under its own Xvfb at
# 1024x768 with a wallpaper that is not screen-sized and five icons in
# ~/Desktop, in a private HOME and session bus:
#
#   tools/ci/linux-desktops.sh [--cheap] [BUILD_DIR] [DESKTOP...]
#
# For each desktop it measures the truth by the desktop's own means (inside
# the work area, the screen with the icons against the same screen with the
# icon files moved away), plays a game (a key press once the icon pixels are
# counted, OK on the end screen) and checks that
#   - the game's icon-pixel total equals the truth, with no wallpaper warning;
#   - every panel is back, at its old position and size, and the screen is
#     the one before the game outside the minimised window and the panels
#     (a clock, the task list);
# then prints a row per desktop. --cheap runs the desktops the test command
# runs (their packages are in the [e2e] part of tools/packages-linux.txt);
# otherwise a desktop whose programs are not installed is reported as
# skipped. Exit status 0 when every desktop that ran passed.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
CHEAP_DESKTOPS=(lxde lxqt-zoom lxqt-stretch lxqt-stale xfce nemo compositor-panel)
ALL_DESKTOPS=("${CHEAP_DESKTOPS[@]}" mate mate-openbox cinnamon gnome)
cheap=0
if [ "${1:-}" = --cheap ]; then
  cheap=1
  shift
fi
BUILD=${1:-$ROOT/build/game}
[ $# -gt 0 ] && shift
case $BUILD in /*) ;; *) BUILD=$PWD/$BUILD ;; esac
if [ $# -gt 0 ]; then DESKTOPS=("$@"); elif [ $cheap = 1 ]; then DESKTOPS=("${CHEAP_DESKTOPS[@]}"); else DESKTOPS=("${ALL_DESKTOPS[@]}"); fi

for tool in Xvfb xdotool xprop xwininfo xlogo import convert dbus-daemon; do
  command -v "$tool" >/dev/null || { echo "linux-desktops: FAIL: $tool is missing (see tools/packages-linux.txt)" >&2; exit 1; }
done

TOP=$(mktemp -d /tmp/lumbravick-desktops.XXXXXX)
CHECK=$BUILD/tests/linux/lumbravick-e2e-check
GAME=$BUILD/toolkit/linux/lumbravick
if [ ! -x "$GAME" ] || [ ! -x "$CHECK" ]; then
  echo "linux-desktops: building the linux backend in $BUILD"
  cmake -S "$ROOT" -B "$BUILD" -DLUMBRAVICK_BACKEND=linux -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$TOP/cmake.log" 2>&1 &&
    cmake --build "$BUILD" -j2 --target lumbravick lumbravick-e2e-check >>"$TOP/cmake.log" 2>&1 ||
    { echo "linux-desktops: FAIL: the build failed (see $TOP/cmake.log)" >&2; exit 1; }
fi
SCREEN_W=1024 SCREEN_H=768

# ---- one desktop ---------------------------------------------------------------------
# Each runs in a subshell of its own: its fail() ends that desktop only.

# The programs a desktop needs, or "" when all are there.
missing_programs() {
  local p
  for p in "$@"; do command -v "$p" >/dev/null || { echo "$p"; return; }; done
}

programs_of() {
  case $1 in
    lxde) echo openbox pcmanfm lxpanel ;;
    compositor-panel) echo pcmanfm ;;
    lxqt-*) echo openbox pcmanfm-qt lxqt-panel ;;
    xfce) echo xfwm4 xfdesktop xfce4-panel xfconf-query ;;
    mate) echo marco caja mate-panel gsettings ;;
    mate-openbox) echo openbox caja mate-panel gsettings ;;
    nemo) echo openbox nemo-desktop tint2 gsettings ;;
    cinnamon) echo cinnamon csd-background nemo-desktop gsettings ;;
    gnome) echo gnome-shell gsettings ;;
  esac
}

# A private session bus for the desktop's settings services.
start_session_bus() {
  start_bg dbus dbus-daemon --session --nofork --print-address=1
  wait_for 10 "the session bus" sh -c "grep -q '^unix:' '$WORK/dbus.log'"
  DBUS_SESSION_BUS_ADDRESS=$(head -1 "$WORK/dbus.log")
  export DBUS_SESSION_BUS_ADDRESS
}

make_home() {
  export HOME=$WORK/home
  export XDG_CONFIG_HOME=$HOME/.config XDG_CACHE_HOME=$HOME/.cache XDG_DATA_HOME=$HOME/.local/share
  export XDG_RUNTIME_DIR=$WORK/run
  mkdir -p "$HOME/Desktop" "$HOME/away" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  # Not screen-sized, so every desktop has to place it.
  WALLPAPER=$HOME/wallpaper.png
  convert -size 800x520 gradient:'#1d4e89-#7fb8d6' \
    -fill '#ffffff30' -draw 'circle 500,260 500,90' -fill '#00000030' -draw 'rectangle 160,60 330,300' \
    "$WALLPAPER"
  for name in notes plans budget; do echo "$name" >"$HOME/Desktop/$name.txt"; done
  mkdir -p "$HOME/Desktop/Projects" "$HOME/Desktop/Photos"
}

wait_wm() { wait_for 20 "the window manager" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'; }

# ---- the desktops -------------------------------------------------------------------
# setup_NAME starts the window manager and the desktop with the wallpaper set,
# panel_NAME the panels that are windows (the game hides them, so the truth is
# taken before they come: some desktops lay their icons out anew when a
# panel comes or goes).
setup_lxde() {
  mkdir -p "$XDG_CONFIG_HOME/pcmanfm/default"
  sed "s|@WALLPAPER@|$WALLPAPER|; s|wallpaper_mode=stretch|wallpaper_mode=fit|" \
    "$ROOT/tests/linux/desktop/desktop-items-0.conf.in" >"$XDG_CONFIG_HOME/pcmanfm/default/desktop-items-0.conf"
  start_bg openbox openbox
  wait_wm
  start_bg pcmanfm pcmanfm --desktop
}
panel_lxde() { start_bg lxpanel lxpanel; }

# A panel drawn by a compositor is no window: a test program shows one the
# game cannot hide, and leaves it out of the work area, on a screen without
# a window manager (nothing there to minimise) and pcmanfm's desktop.
setup_compositor-panel() {
  WINDOWS_TO_MINIMISE=0
  mkdir -p "$XDG_CONFIG_HOME/pcmanfm/default"
  sed "s|@WALLPAPER@|$WALLPAPER|; s|wallpaper_mode=stretch|wallpaper_mode=center|" \
    "$ROOT/tests/linux/desktop/desktop-items-0.conf.in" >"$XDG_CONFIG_HOME/pcmanfm/default/desktop-items-0.conf"
  start_bg panel "$CHECK" show-panel 0,728,1024,40
  start_bg pcmanfm pcmanfm --desktop
}
panel_compositor-panel() { :; }

setup_lxqt() {
  local mode=$1
  mkdir -p "$XDG_CONFIG_HOME/pcmanfm-qt/lxqt"
  printf '[Desktop]\nWallpaper=%s\nWallpaperMode=%s\nBgColor=#204060\n[System]\nFallbackIconThemeName=Adwaita\n' \
    "$WALLPAPER" "$mode" >"$XDG_CONFIG_HOME/pcmanfm-qt/lxqt/settings.conf"
  start_bg openbox openbox
  wait_wm
  start_bg pcmanfm-qt pcmanfm-qt --desktop --profile=lxqt
}
panel_lxqt() { start_bg lxqt-panel lxqt-panel; }
setup_lxqt-zoom() { setup_lxqt zoom; }
setup_lxqt-stretch() { setup_lxqt stretch; }
panel_lxqt-zoom() { panel_lxqt; }
panel_lxqt-stretch() { panel_lxqt; }
panel_lxqt-stale() { panel_lxqt; }
# Another program left its wallpaper pixmap on the root before LXQt came.
setup_lxqt-stale() {
  convert "$WALLPAPER" -depth 8 "ppm:$WORK/left-behind.ppm"
  "$CHECK" set-root-pixmap "$WORK/left-behind.ppm" || fail "no wallpaper pixmap could be left on the root"
  setup_lxqt zoom
}

setup_xfce() {
  start_bg xfwm4 xfwm4
  wait_wm
  start_bg xfdesktop xfdesktop
  wait_for 20 "xfdesktop's settings" sh -c 'xfconf-query -c xfce4-desktop -l >/dev/null 2>&1'
  local p
  sleep 2
  # Only the icons of ~/Desktop, which the truth can move away.
  for p in home filesystem trash removable; do
    xfconf-query -c xfce4-desktop -n -t bool -p "/desktop-icons/file-icons/show-$p" -s false
  done
  for p in $(xfconf-query -c xfce4-desktop -l | grep '/last-image$'); do
    xfconf-query -c xfce4-desktop -p "$p" -s "$WALLPAPER"
    xfconf-query -c xfce4-desktop -p "${p%/last-image}/image-style" -s 4 # scaled
  done
}
panel_xfce() { start_bg xfce4-panel xfce4-panel; }

setup_mate_common() {
  gsettings set org.mate.background picture-filename "$WALLPAPER"
  gsettings set org.mate.background picture-options centered
  gsettings set org.mate.background show-desktop-icons true
  # Only the icons of ~/Desktop, which the truth can move away.
  local p
  for p in computer home trash volumes network; do
    gsettings set org.mate.caja.desktop "$p-icon-visible" false 2>/dev/null || true
  done
  gsettings set org.mate.caja.desktop volumes-visible false
}
setup_mate() {
  setup_mate_common
  start_bg marco marco
  wait_wm
  start_bg caja caja -n --force-desktop
}
panel_mate() { start_bg mate-panel mate-panel; }
setup_mate-openbox() {
  setup_mate_common
  start_bg openbox openbox
  wait_wm
  start_bg caja caja -n --force-desktop
}
panel_mate-openbox() { panel_mate; }

# nemo-desktop with only the icons of ~/Desktop; as root only when told.
nemo_settings() {
  gsettings set org.nemo.preferences treat-root-as-normal true
  local p
  for p in computer home trash network; do gsettings set org.nemo.desktop "$p-icon-visible" false; done
  gsettings set org.nemo.desktop volumes-visible false
}

setup_nemo() {
  nemo_settings
  gsettings set org.cinnamon.desktop.background picture-uri "file://$WALLPAPER"
  gsettings set org.cinnamon.desktop.background picture-options zoom
  mkdir -p "$XDG_CONFIG_HOME/tint2"
  cp "$ROOT/tests/linux/desktop/tint2rc" "$XDG_CONFIG_HOME/tint2/tint2rc"
  start_bg openbox openbox
  wait_wm
  start_bg nemo-desktop nemo-desktop
}
panel_nemo() { start_bg tint2 tint2 -c "$XDG_CONFIG_HOME/tint2/tint2rc"; }

setup_cinnamon() {
  nemo_settings
  gsettings set org.cinnamon.desktop.notifications display-notifications false
  export XDG_CURRENT_DESKTOP=X-Cinnamon
  gsettings set org.cinnamon.desktop.background picture-uri "file://$WALLPAPER"
  gsettings set org.cinnamon.desktop.background picture-options zoom
  start_bg cinnamon env LIBGL_ALWAYS_SOFTWARE=1 cinnamon --replace
  wait_wm
  # What the session starts with it: the settings daemon that draws the
  # wallpaper (into a root pixmap) and the desktop icons.
  start_bg csd-background csd-background
  start_bg nemo-desktop nemo-desktop
}
# The panels are the compositor's own: there from the start, never hidden.
panel_cinnamon() { :; }

setup_gnome() {
  # The shell wants a system bus too: a private one.
  start_bg system-bus dbus-daemon --session --nofork --print-address=1
  wait_for 10 "the system bus" sh -c "grep -q '^unix:' '$WORK/system-bus.log'"
  DBUS_SYSTEM_BUS_ADDRESS=$(head -1 "$WORK/system-bus.log")
  export DBUS_SYSTEM_BUS_ADDRESS
  export XDG_CURRENT_DESKTOP=GNOME
  gsettings set org.gnome.desktop.background picture-uri "file://$WALLPAPER"
  gsettings set org.gnome.desktop.background picture-options zoom
  gsettings set org.gnome.shell enabled-extensions "['ding@rastersoft.com']"
  gsettings set org.gnome.shell welcome-dialog-last-shown-version '999'
  gsettings set org.gnome.desktop.notifications show-banners false
  start_bg gnome-shell env LIBGL_ALWAYS_SOFTWARE=1 gnome-shell --x11 --replace
  wait_wm
  # The shell starts in its overview, which covers the desktop.
  sleep 5
  gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
    --method org.freedesktop.DBus.Properties.Set org.gnome.Shell OverviewActive '<false>' >/dev/null 2>&1 ||
    xdotool key Escape
}
panel_gnome() { :; }

# ---- measuring --------------------------------------------------------------------------
# The docks on the screen as "window x,y,w,h" lines.
dock_lines() {
  local w
  for w in $(xprop -root _NET_CLIENT_LIST 2>/dev/null | sed 's/.*#//; s/,/ /g') \
           $(xwininfo -root -children 2>/dev/null | awk '/^ +0x/ {print $1}'); do
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_NET_WM_WINDOW_TYPE_DOCK\b' || continue
    is_viewable "$w" || continue
    echo "$w $(frame_rect "$w")"
  done | sort -u
}

# The desktop window gets the keyboard focus, as it has once every window is
# minimised: some desktops mark the current icon only then.
focus_desktop() {
  xdotool windowfocus --sync "$(window_of_type DESKTOP)" 2>/dev/null || true
}

# The work area of the current desktop as x,y,w,h (the whole screen if none).
work_area() {
  local line n
  line=$(xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/.*= //p' | tr -d ' ')
  n=$(xprop -root _NET_CURRENT_DESKTOP 2>/dev/null | sed -n 's/.*= //p')
  [ -n "$line" ] || { echo "0,0,$SCREEN_W,$SCREEN_H"; return; }
  echo "$line" | cut -d, -f$((${n:-0} * 4 + 1))-$((${n:-0} * 4 + 4))
}

# TRUTH: the pixels the icons add, by the desktop's own means.
measure_truth() {
  focus_desktop
  wait_screen_settled 40
  shot "$WORK/with-icons.ppm"
  mv "$HOME/Desktop/"* "$HOME/away/"
  sleep 2
  wait_screen_settled 30
  shot "$WORK/no-icons.ppm"
  mv "$HOME/away/"* "$HOME/Desktop/"
  sleep 2
  wait_screen_settled 30
  shot "$WORK/with-icons-again.ppm"
  # Icons live in the work area; a panel the compositor draws outside it
  # may be drawn anew between the two pictures.
  TRUTH=$(diff_count "$WORK/with-icons-again.ppm" "$WORK/no-icons.ppm" --region "$(work_area)")
  [ "$TRUTH" -gt 0 ] || fail "the icons draw nothing: no truth to compare with"
}

# Plays one game: a key press once the scan is done, OK after the end screen's
# 5 seconds, an answer of No to the wallpaper warning if it comes.
play_game() {
  TRACE=$WORK/trace.jsonl
  mkdir -p "$WORK/captures"
  start_bg game env LUMBRAVICK_TRACE="$TRACE" LUMBRAVICK_DUMP_CAPTURES="$WORK/captures" \
    SDL_AUDIODRIVER=dummy NO_AT_BRIDGE=1 "$GAME"
  GAME_PID=$LAST_PID
  wait_for 40 "the icon-pixel count or the end" sh -c \
    "'$CHECK' count '$TRACE' scan_done | grep -qv '^0' || '$CHECK' count '$TRACE' end_screen | grep -qv '^0'"
  # What the game counts is where its two captures differ (the end-to-end
  # test holds the two equal); a game that lost its balls before the count
  # was done still has its captures.
  wait_for 5 "the captures" test -s "$WORK/captures/capture-2.ppm"
  COUNT=$(diff_count "$WORK/captures/capture-1.ppm" "$WORK/captures/capture-2.ppm")
  if trace_has "$TRACE" scan_done; then
    [ "$(trace_field "$TRACE" scan_done icon_pixels)" = "$COUNT" ] ||
      fail "the game counted $(trace_field "$TRACE" scan_done icon_pixels), its captures differ in $COUNT"
  fi
  WARNING=no
  [ "$COUNT" -lt $((SCREEN_W * SCREEN_H - 1000)) ] || WARNING=yes
  sleep 0.5
  if xdotool search --name '^Wallpaper settings$' >/dev/null 2>&1; then
    WARNING=yes
    xdotool key --window "$(xdotool search --name '^Wallpaper settings$' | head -1)" n
  fi
  trace_has "$TRACE" end_screen || xdotool key a
  wait_for 10 "the end screen" trace_has "$TRACE" end_screen
  wait_for 5 "the end screen window" sh -c 'xdotool search --onlyvisible --name "^Vantoro Lumbravick$" >/dev/null'
  local end_win ex ey try
  end_win=$(xdotool search --onlyvisible --name '^Vantoro Lumbravick$' | head -1)
  sleep 5.5  # OK is locked for the first 5 seconds
  # OK, clicked where the window is now; where another window was above it,
  # Enter on the focused end screen.
  for try in 1 2 3; do
    kill -0 "$GAME_PID" 2>/dev/null || break
    read -r ex ey < <(window_origin "$end_win")
    if [ $try = 1 ]; then
      xdotool mousemove $((ex + 184)) $((ey + 164)) click 1
    else
      xdotool windowfocus --sync "$end_win" key Return 2>/dev/null || true
    fi
    sleep 1
  done
  local end=$((SECONDS + 15))
  while kill -0 "$GAME_PID" 2>/dev/null; do
    [ "$SECONDS" -lt "$end" ] || { shot "$WORK/stuck.ppm"; fail "the game did not end after OK"; }
    sleep 0.2
  done
  SOURCE=$("$CHECK" field "$TRACE" icon_free source 2>/dev/null || echo none)
  MASKED=$("$CHECK" field "$TRACE" icon_free masked_pixels 2>/dev/null || echo 0)
}

# x,y,w,h grown by the shadow a compositing window manager draws around a
# window (an awk program).
WITH_SHADOW='{printf "%d,%d,%d,%d\n", $1 - 40, $2 - 40, $3 + 80, $4 + 80}'

# The screen after the game against the one before, outside the minimised
# window; inside the panels a clock and the task list (the window is now
# minimised there) may differ.
check_desktop_back() {
  local before=$1 n=-1 i docks_after
  for i in $(seq 1 40); do
    docks_after=$(dock_lines)
    shot "$WORK/after.ppm"
    n=$(diff_count "$before" "$WORK/after.ppm" --exclude "$XLOGO_RECT")
    [ "$n" = 0 ] && [ "$docks_after" = "$DOCKS" ] && break
    sleep 0.25
  done
  PANELS=same
  [ "$docks_after" = "$DOCKS" ] || PANELS="moved: $(echo "$docks_after" | tr '\n' ' ')(was: $(echo "$DOCKS" | tr '\n' ' '))"
  SCREEN=same
  [ "$n" = 0 ] && return 0
  local outside rect
  local -a exclude=(--exclude "$XLOGO_RECT")
  for rect in $(echo "$DOCKS" | awk '{print $2}' | awk -F, "$WITH_SHADOW"); do exclude+=(--exclude "$rect"); done
  outside=$(diff_count "$before" "$WORK/after.ppm" "${exclude[@]}")
  if [ "$outside" = 0 ]; then SCREEN="same outside the panels ($n px in them)"; else SCREEN="$outside px differ"; fi
}

run_desktop() {
  local desktop=$1
  WORK=$TOP/$desktop
  mkdir -p "$WORK"
  # shellcheck source=../../tests/linux/e2e_lib.sh
  . "$ROOT/tests/linux/e2e_lib.sh"
  E2E_DEADLINE=$((SECONDS + 300))
  trap stop_all EXIT
  export NO_AT_BRIDGE=1 DBUS_SESSION_BUS_ADDRESS=disabled: LC_ALL=C.UTF-8
  unset WAYLAND_DISPLAY SESSION_MANAGER
  WINDOWS_TO_MINIMISE=1
  make_home
  start_xvfb ${SCREEN_W}x${SCREEN_H}x24
  start_session_bus
  "setup_$desktop"
  wait_for 40 "the desktop window" has_window_of_type DESKTOP
  measure_truth
  "panel_$desktop"
  [ "$(type "panel_$desktop" | grep -c start_bg)" = 0 ] || wait_for 30 "the panel" has_window_of_type DOCK
  XLOGO_RECT=0,0,0,0
  if [ "$WINDOWS_TO_MINIMISE" = 1 ]; then
    start_bg xlogo xlogo -geometry 200x200+600+150
    wait_for 10 "the xlogo window" sh -c 'xdotool search --class xlogo >/dev/null'
    XLOGO=$(xdotool search --class xlogo | head -1)
    wait_for 10 "xlogo on the screen" is_viewable "$XLOGO"
    XLOGO_RECT=$(frame_rect "$XLOGO" | awk -F, "$WITH_SHADOW")
    log "xlogo with its shadow: $XLOGO_RECT"
  fi
  focus_desktop
  wait_screen_settled 20
  # Every panel there: the list of docks the same for two seconds.
  local docks_then=
  DOCKS=$(dock_lines)
  until [ "$DOCKS" = "$docks_then" ]; do
    check_deadline
    docks_then=$DOCKS
    sleep 2
    DOCKS=$(dock_lines)
  done
  shot "$WORK/before.ppm"
  play_game
  check_desktop_back "$WORK/before.ppm"
  local verdict=pass
  [ "$COUNT" = "$TRUTH" ] && [ $WARNING = no ] && [ "$PANELS" = same ] && [[ $SCREEN == same* ]] || verdict=FAIL
  printf '%s|%s|%s|%s|%s|%s|%s|%s|%s\n' "$verdict" "$desktop" "$SOURCE" "$COUNT" "$TRUTH" "$WARNING" \
    "$MASKED" "$PANELS" "$SCREEN" >"$WORK/result"
}

# ---- all of them ----------------------------------------------------------------------
status=0
printf '%-6s %-14s %-18s %9s %9s %-7s %8s  %s\n' result desktop "icon-free picture" count truth warning masked "panels / screen after the game"
for desktop in "${DESKTOPS[@]}"; do
  declare -F "setup_$desktop" >/dev/null || { echo "linux-desktops: unknown desktop $desktop" >&2; status=1; continue; }
  # shellcheck disable=SC2046
  gone=$(missing_programs $(programs_of "$desktop"))
  if [ -n "$gone" ]; then
    printf '%-6s %-14s (%s is not installed)\n' skip "$desktop" "$gone"
    [ $cheap = 0 ] || status=1  # the test command installs them
    continue
  fi
  start=$SECONDS
  if (run_desktop "$desktop") >"$TOP/$desktop.log" 2>&1 && [ -s "$TOP/$desktop/result" ]; then
    IFS='|' read -r verdict name source count truth warning masked panels screen <"$TOP/$desktop/result"
    printf '%-6s %-14s %-18s %9s %9s %-7s %8s  %s / %s (%ds)\n' "$verdict" "$name" "$source" "$count" "$truth" \
      "$warning" "$masked" "$panels" "$screen" $((SECONDS - start))
    [ "$verdict" = pass ] || status=1
  else
    printf '%-6s %-14s %s (%ds)\n' FAIL "$desktop" "$(grep -m1 'FAIL' "$TOP/$desktop.log" | sed 's/^linux-e2e: //')" $((SECONDS - start))
    status=1
  fi
done
if [ $status = 0 ] && [ "${KEEP_DESKTOPS:-0}" != 1 ]; then rm -rf "$TOP"; else echo "linux-desktops: files kept in $TOP" >&2; fi
exit $status
