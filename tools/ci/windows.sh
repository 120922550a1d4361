#!/usr/bin/env bash
# The Windows build, checked on Linux:
#   1. cross-builds the 32-bit and the 64-bit game with mingw-w64;
#   2. checks that both are PE programs of their architecture importing
#      nothing but system DLLs;
#   3. runs every unit test as a Windows program under Wine (ctest, with
#      wine64 as CMake's cross-compiling emulator);
#   4. plays the 64-bit game under Wine on a virtual X server, on a Wine
#      desktop with a taskbar, driving it with real X input and reading what
#      it does from its trace (LUMBRAVICK_TRACE) and from a probe program;
#   5. gives the ways out that skip the game's own ending (session end, a
#      crash, std::terminate, abort) and checks the taskbar comes back;
#   6. plays one game on each layout of the desktop's windows, with icons
#      drawn by a test shell (tools/ci/windows-layouts.sh);
#   7. runs the 32-bit game the same way when 32-bit Wine is installed, or
#      when wine64 can run it itself (WoW64).
#
# It installs nothing: tools/packages-windows.txt lists what it needs.
# Environment: LUMBRAVICK_WIN_BUILD (build folder, default build/windows),
# JOBS (default 2).
set -euo pipefail
cd "$(dirname "$0")/../.."
ROOT=$(pwd)
BUILD=${LUMBRAVICK_WIN_BUILD:-$ROOT/build/windows}
JOBS=${JOBS:-2}
BUDGET=1140  # seconds for the whole run, builds included

START=$SECONDS
log() { echo "windows.sh [$((SECONDS - START))s] $*"; }
fail() {
  echo "windows.sh: FAILED: $*" >&2
  exit 1
}
budget() { [ $((SECONDS - START)) -lt $BUDGET ] || fail "out of time ($BUDGET s) at: $*"; }

# ---- tools ----------------------------------------------------------------------------
find_tool() {
  local t
  for t in "$@"; do
    if [ -x "$t" ]; then echo "$t"; return 0; fi
    if command -v "$t" >/dev/null 2>&1; then command -v "$t"; return 0; fi
  done
  return 1
}
WINE64=$(find_tool /usr/lib/wine/wine64 wine64) || fail "wine64 is missing (install the packages in tools/packages-windows.txt)"
WINESERVER=$(find_tool /usr/lib/wine/wineserver wineserver) || fail "wineserver is missing"
for t in cmake ctest Xvfb xdotool x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix \
  x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump; do
  command -v "$t" >/dev/null 2>&1 || fail "$t is missing (install the packages in tools/packages-windows.txt)"
done
[ -f /usr/src/googletest/googletest/CMakeLists.txt ] || fail "GoogleTest sources are missing (libgtest-dev)"

# ---- everything started here ends with the script ------------------------------------------
WORK=$(mktemp -d /tmp/lumbravick-windows.XXXXXX)
export WINEPREFIX=$WORK/prefix
export WINEDEBUG=-all
# No web engine or .NET downloads, no sound hardware.
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv,wineoss.drv=d"
XVFB_PID=
GAME_PIDS=()
cleanup() {
  local pid
  for pid in "${GAME_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  if [ -d "$WINEPREFIX" ]; then timeout 20 "$WINESERVER" -k 2>/dev/null || true; fi
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# ---- a display and a fresh Wine prefix ---------------------------------------------------------
WIDTH=1024
HEIGHT=768
exec 9>"$WORK/display"
Xvfb -displayfd 9 -screen 0 ${WIDTH}x${HEIGHT}x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
exec 9>&-
for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
export DISPLAY=":$(head -n1 "$WORK/display")"
log "X server on $DISPLAY, Wine prefix $WINEPREFIX"

wine() { "$WINE64" "$@"; }
reg_add() { wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 || fail "cannot write the registry value $1\\$2"; }

# The prefix is made while the 32-bit program builds.
timeout 240 "$WINE64" wineboot -i >"$WORK/wineboot.log" 2>&1 &
WINEBOOT_PID=$!

# ---- 1. builds --------------------------------------------------------------------------------
log "building the 32-bit program"
cmake -S . -B "$BUILD/i686" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DLUMBRAVICK_TESTS=OFF -DLUMBRAVICK_BENCH=OFF >"$WORK/cmake-i686.log" 2>&1 ||
  { cat "$WORK/cmake-i686.log"; fail "configuring the 32-bit build"; }
timeout 900 cmake --build "$BUILD/i686" -j"$JOBS" --target lumbravick || fail "building the 32-bit program"
budget "32-bit build"

wait "$WINEBOOT_PID" || { cat "$WORK/wineboot.log"; fail "wineboot could not make the prefix"; }
"$WINESERVER" -w
# A desktop named "shell" has a taskbar (Shell_TrayWnd); crashes print and go.
reg_add 'HKCU\Software\Wine\Explorer' Desktop REG_SZ shell
reg_add 'HKCU\Software\Wine\Explorer\Desktops' shell REG_SZ "${WIDTH}x${HEIGHT}"
reg_add 'HKCU\Software\Wine\WineDbg' ShowCrashDialog REG_DWORD 0
"$WINESERVER" -w
# One server and one desktop for the whole run. The desktop is started here,
# apart from any program whose output is read: started by the first window
# of a test, it would hold that test's output pipe open until it ends.
start_desktop() {
  "$WINESERVER" -p
  "$WINE64" explorer "/desktop=shell,${WIDTH}x${HEIGHT}" </dev/null >/dev/null 2>&1 &
  sleep 2
}
start_desktop
log "Wine prefix ready"

log "building the 64-bit program and the tests"
cmake -S . -B "$BUILD/x86_64" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DLUMBRAVICK_TESTS=ON -DLUMBRAVICK_BENCH=OFF >"$WORK/cmake-x86_64.log" 2>&1 ||
  { cat "$WORK/cmake-x86_64.log"; fail "configuring the 64-bit build"; }
timeout 900 cmake --build "$BUILD/x86_64" -j"$JOBS" || fail "building the 64-bit program and the tests"
budget "64-bit build"

EXE64=$BUILD/x86_64/toolkit/win32/lumbravick.exe
EXE32=$BUILD/i686/toolkit/win32/lumbravick.exe
PROBE=$BUILD/x86_64/tests/win32/lumbravick-winprobe.exe
for f in "$EXE64" "$EXE32" "$PROBE"; do [ -f "$f" ] || fail "$f was not built"; done

# ---- 2. the programs' architecture and imports ------------------------------------------------
# DLLs that every Windows has; anything else would have to be shipped.
SYSTEM_DLLS="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll winmm.dll"
check_pe() {  # exe objdump format magic
  local exe=$1 objdump=$2 format=$3 magic=$4 headers dll
  headers=$("$objdump" -p "$exe") || fail "$objdump cannot read $exe"
  grep -q "file format $format" <<<"$headers" || fail "$exe is not a $format program"
  grep -q "^Magic[[:space:]]*$magic" <<<"$headers" || fail "$exe: optional header magic is not $magic"
  grep -q "Subsystem.*Windows GUI" <<<"$headers" || fail "$exe is not a Windows GUI program"
  while read -r dll; do
    dll=$(tr 'A-Z' 'a-z' <<<"$dll")
    [[ " $SYSTEM_DLLS " == *" $dll "* ]] || fail "$exe imports $dll, which is not a system DLL"
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
  log "$(basename "$(dirname "$(dirname "$(dirname "$exe")")")")/lumbravick.exe: $format, imports $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
}
check_pe "$EXE32" i686-w64-mingw32-objdump pei-i386 010b
check_pe "$EXE64" x86_64-w64-mingw32-objdump pei-x86-64 020b

# ---- 3. unit tests under Wine ----------------------------------------------------------------
log "unit tests under wine64"
timeout 900 ctest --test-dir "$BUILD/x86_64" -j"$JOBS" --output-on-failure --timeout 300 ||
  fail "unit tests under Wine"
budget "unit tests"

# ---- 4. the game under Wine --------------------------------------------------------------------
probe() { timeout 30 "$WINE64" "$PROBE" "$@" 2>/dev/null | tr -d '\r'; }
wpath() { echo "Z:${1//\//\\}"; }

# Waits until the trace holds a line matching the pattern.
wait_trace() {  # file pattern seconds what
  local end=$((SECONDS + $3))
  until grep -qE "$2" "$1" 2>/dev/null; do
    [ $SECONDS -lt "$end" ] || { echo "--- trace:"; tail -n 20 "$1" 2>/dev/null; fail "no $4 within $3 s"; }
    sleep 0.1
  done
}
count_trace() { grep -cE "$2" "$1" 2>/dev/null || true; }

GAME_WINE=$WINE64
start_game() {  # exe trace
  LUMBRAVICK_TRACE=$(wpath "$2") "$GAME_WINE" "$1" >>"$WORK/game.log" 2>&1 &
  GAME_PIDS+=($!)
  GAME_PID=$!
}

wait_exit() {  # pid seconds what
  local end=$((SECONDS + $2))
  while kill -0 "$1" 2>/dev/null; do
    [ $SECONDS -lt "$end" ] || fail "$3 still runs after $2 s"
    sleep 0.2
  done
}

taskbar_is() {  # expected what
  local state
  state=$(probe taskbar)
  [ "$state" = "$1" ] || fail "$2: the taskbar is $state, expected $1"
}

# The Wine desktop starts with the first program; its taskbar a moment later.
wait_taskbar() {
  local end=$((SECONDS + 30))
  until [ "$(probe taskbar)" = visible ]; do
    [ $SECONDS -lt $end ] || fail "the Wine desktop shows no taskbar (Shell_TrayWnd)"
    sleep 0.5
  done
}

# The pixels where the paddle stands changed in most of its block.
paddle_changed() {  # snapshot x y
  local n
  n=$(probe diff "$1" "$2" "$3" 168 32)
  [ -n "$n" ] && [ "$n" -gt 1500 ]
}

# ---- driving a paused game ----------------------------------------------------------------
# The game is kept paused (right button) but for short runs: every look at the
# screen starts a Wine program, which takes longer than a ball takes to fall.
POINTER_X=

# Right button; waits for the game's pause line. Fails (1) when the game
# ended instead.
pause_game() {  # trace
  local pauses end=$((SECONDS + 10))
  pauses=$(count_trace "$1" '"ev":"pause"')
  xdotool click 3
  until [ "$(count_trace "$1" '"ev":"pause"')" -gt "$pauses" ]; do
    grep -q '"ev":"end_screen"' "$1" && return 1
    [ $SECONDS -lt $end ] || fail "the right button did not pause the game"
    sleep 0.1
  done
  ! grep -q '"ev":"end_screen"' "$1"
}

# Points at X (y 300, clear of the paddle), one pixel aside when the pointer
# is there already: a pointer that does not move sends no move.
point_at() {  # x
  local x=$1
  [ "$x" != "$POINTER_X" ] || x=$((x + 1))
  POINTER_X=$x
  xdotool mousemove "$x" 300
}

# Resumes, moves the pointer to X and pauses again SECONDS later.
run_with_pointer_at() {  # trace x seconds
  xdotool click 3
  point_at "$2"
  sleep "$3"
  pause_game "$1"
}

play() {  # exe label
  budget "game run ($2)"
  local exe=$1 label=$2 trace=$WORK/trace-$2.jsonl top end_text
  rm -f "$trace"
  wait_taskbar
  point_at 512
  start_game "$exe" "$trace"
  local game=$GAME_PID
  wait_trace "$trace" '"ev":"serve"' 90 "serve ($label)"
  top=$(sed -n 's/.*"ev":"serve".*"paddle":\[[-0-9.]*,\([0-9]*\).*/\1/p' "$trace" | head -n1)
  [ -n "$top" ] || fail "$label: no paddle position in the serve line"
  wait_trace "$trace" '"ev":"pace"' 30 "first pass of the game loop ($label)"
  pause_game "$trace" || fail "$label: the game ended before it could be paused"
  log "$label: game paused ($(count_trace "$trace" '"ev":"sound","id":106') balls lost)"

  # Start-up worked on the desktop in the order the game does it.
  local ops
  ops=$(sed -n 's/.*"ev":"desktop","op":"\([a-z_]*\)".*/\1/p' "$trace" | tr '\n' ' ')
  [ "$ops" = "minimise_all taskbar_hide capture icons_hide capture icons_show " ] ||
    fail "$label: start-up desktop operations were: $ops"
  grep -q '"ev":"show","window":"frmMain"' "$trace" || fail "$label: no game window"
  taskbar_is hidden "$label: during the game"
  grep -q '"ev":"cursor","visible":false' "$trace" || fail "$label: the pointer was not hidden"

  if [ "$label" = x86_64 ]; then
    # A second start ends at once and leaves the desktop alone.
    local second=$WORK/trace-second.jsonl
    start_game "$exe" "$second"
    wait_exit "$GAME_PID" 30 "the second instance"
    grep -q '"ev":"exit"' "$second" || fail "the second instance did not end through its exit"
    ! grep -q '"ev":"desktop"' "$second" || fail "the second instance touched the desktop"
    kill -0 "$game" 2>/dev/null || fail "the first instance ended with the second"
    taskbar_is hidden "after the second start"
    log "a second instance ended at once without touching the desktop"
  fi

  # The pointer steers the paddle: its left edge follows the pointer. The
  # game runs only for a moment around each move. A lost ball is served
  # again from the middle, which moves the paddle too: an attempt that saw a
  # serve is made again.
  local attempt serves moved=0 unserved=0
  for attempt in 1 2 3; do
    serves=$(count_trace "$trace" '"ev":"serve"')
    run_with_pointer_at "$trace" 600 0.15 || fail "$label: the game ended by itself"
    probe snap "$WORK/left.raw" 40 "$top" 168 32
    probe snap "$WORK/right.raw" 600 "$top" 168 32
    run_with_pointer_at "$trace" 40 0.15 || fail "$label: the game ended by itself"
    [ "$(count_trace "$trace" '"ev":"serve"')" = "$serves" ] || continue
    unserved=1
    if paddle_changed "$WORK/left.raw" 40 "$top" && paddle_changed "$WORK/right.raw" 600 "$top"; then
      moved=1
      break
    fi
  done
  [ $unserved = 1 ] || fail "$label: a ball was served again during every attempt"
  [ $moved = 1 ] || fail "$label: moving the pointer did not move the paddle"
  log "$label: the paddle follows the pointer"

  # Any key ends the game, paused or not: the end screen comes with its texts.
  xdotool key a
  wait_trace "$trace" '"ev":"show","window":"frmEndScreen"' 20 "end screen ($label)"
  local shown=$SECONDS
  grep -q '"ev":"end_screen","play_time":"You were playing [^"]*"' "$trace" || fail "$label: no play time in the end screen"
  grep -q '"ev":"cursor","visible":true' "$trace" || fail "$label: the pointer was not shown again"
  local window
  window=$(probe window "Vantoro Lumbravick") || fail "$label: no end screen window"
  for end_text in 'You were playing ' "You didn't even destroy one pixel of an icon." 'Please visit our sponsor'; do
    grep -q "class=\"Static\".*visible=1.*text=\"$end_text" <<<"$window" ||
      { echo "$window"; fail "$label: the end screen does not show '$end_text'"; }
  done
  grep -q 'class="Button".*enabled=0.*text="OK"' <<<"$window" || { echo "$window"; fail "$label: OK is not locked"; }
  grep -q 'class="Button".*enabled=1.*text="&About"' <<<"$window" || { echo "$window"; fail "$label: no About button"; }
  # Enter does nothing while OK is locked.
  xdotool key Return
  sleep 1
  probe window "Vantoro Lumbravick" | grep -q 'text="OK"' || fail "$label: Enter closed the end screen before 5 s"
  [ $((SECONDS - shown)) -lt 5 ] || log "note: the lock was checked late ($((SECONDS - shown)) s)"
  local end=$((SECONDS + 15))
  until probe window "Vantoro Lumbravick" | grep -q 'class="Button".*enabled=1.*text="OK"'; do
    [ $SECONDS -lt $end ] || fail "$label: OK was not unlocked"
    sleep 0.3
  done
  [ $((SECONDS - shown)) -ge 4 ] || fail "$label: OK was unlocked after less than 5 s"
  local xy
  xy=$(probe center "Vantoro Lumbravick" OK) || fail "$label: cannot find OK"
  xdotool mousemove ${xy% *} ${xy#* } click 1
  wait_trace "$trace" '"ev":"exit"' 20 "program end ($label)"
  wait_exit "$game" 20 "the game ($label)"
  grep -q '"ev":"desktop","op":"taskbar_show"' "$trace" || fail "$label: the taskbar was not shown by Quit"
  taskbar_is visible "$label: after the end"
  log "$label: key, end screen, OK after 5 s, taskbar back"

  # The setting is in the registry, as Quit wrote it.
  local value stored
  value=$(sed -n 's/.*"ev":"setting","section":"StyleSheet","key":"StyleSheet","value":"\([^"]*\)".*/\1/p' "$trace" | tail -n1)
  [ -n "$value" ] || fail "$label: Quit stored no setting"
  stored=$(wine reg query 'HKCU\Software\Vantoro\Lumbravick\StyleSheet' /v StyleSheet 2>/dev/null | tr -d '\r' |
    sed -n 's/^[[:space:]]*StyleSheet[[:space:]]*REG_SZ[[:space:]]*//p')
  [ "$stored" = "$value" ] || fail "$label: the registry holds '$stored', the game stored '$value'"
  log "$label: HKCU\\Software\\Vantoro\\Lumbravick\\StyleSheet StyleSheet = \"$stored\" (REG_SZ)"
  return 0
}

log "playing the 64-bit game"
play "$EXE64" x86_64

# ---- 5. the other ways out --------------------------------------------------------------------
log "the end of the session while the game runs"
trace=$WORK/trace-session.jsonl
wait_taskbar
start_game "$EXE64" "$trace"
wait_trace "$trace" '"ev":"show","window":"frmMain"' 90 "game window (session end)"
taskbar_is hidden "before the session end"
# Nobody plays: a pass of the icon scan lasts 4 ms as a play pass does, so the
# scan takes about four seconds, and no ball is lost in the first 1.5 s.
wait_trace "$trace" '"ev":"(scan_done|end_screen)"' 30 "end of the icon scan (session end)"
trace_t() { sed -n "s/^{\"t\":\([0-9]*\),\"ev\":\"$2\".*/\1/p" "$1" | head -n1; }
shown=$(trace_t "$trace" show)
lost=$(trace_t "$trace" 'sound","id":106')
[ -z "$lost" ] || [ $((lost - shown)) -ge 1500 ] || fail "a ball was lost $((lost - shown)) ms after the game window came up"
if grep -q '"ev":"scan_done"' "$trace"; then
  scan=$(($(trace_t "$trace" scan_done) - $(trace_t "$trace" pace)))
  [ $scan -ge 3500 ] && [ $scan -le 10000 ] || fail "the icon scan took $scan ms, not about $(((WIDTH + 2) * 4)) ms"
  log "the icon scan took $scan ms; first ball lost after: ${lost:+$((lost - shown)) ms}${lost:-none}"
fi
out=$(probe endsession LumbravickSurface) || fail "no game window to end the session of"
grep -q 'query=1' <<<"$out" || fail "the game refused the end of the session"
# Checked by the probe the moment the message returned, while the game still
# runs: Wine's shell shows the taskbar again by itself some time after the
# process that hid it has gone, so only what happens before counts.
grep -q 'ended: taskbar visible' <<<"$out" || fail "the end of the session did not give the taskbar back ($out)"
wait_trace "$trace" '"ev":"exit"' 20 "program end (session end)"
wait_exit "$GAME_PID" 20 "the game (session end)"
log "session end: the taskbar came back at once and the game ended"

# A process that hid the taskbar through the backend dies; a handler that the
# guard hands on to looks at the taskbar while the process dies. Without the
# guard (the control) it is still hidden there.
for way in crash terminate abort; do
  budget "$way"
  for guard in "" noguard; do
    out=$(timeout 60 "$WINE64" "$PROBE" "$way" $guard 2>/dev/null | tr -d '\r' || true)
    grep -q '^taskbar hidden' <<<"$out" || fail "$way $guard: the probe could not hide the taskbar ($out)"
    expected=visible
    [ -z "$guard" ] || expected=hidden
    grep -q "^dying: taskbar $expected" <<<"$out" ||
      fail "$way ${guard:-with the guard}: the taskbar was not $expected while the process died ($out)"
    probe show-taskbar
  done
  log "$way: the guard gave the taskbar back before the process died"
done

# ---- 6. games on the layouts of the desktop's windows, with icons ----------------------------
# shellcheck source=windows-layouts.sh
. "$ROOT/tools/ci/windows-layouts.sh"
play_layouts

# ---- 7. the 32-bit program ---------------------------------------------------------------------
# Without 32-bit Wine, wine64 starts a 32-bit program itself (its WoW64)
# where it was built with the 32-bit Windows DLLs.
WINE32=$(find_tool /usr/lib/wine/wine) || WINE32=
WOW64=
compgen -G '/usr/lib/*/wine/i386-windows/ntdll.dll' >/dev/null && WOW64=1
NO_WOW64="and wine64 has no 32-bit DLLs to run it in its WoW64"
if [ -n "$WINE32" ] && [ -d /usr/lib/i386-linux-gnu/wine ] && "$WINE32" --version >/dev/null 2>&1; then
  log "playing the 32-bit game"
  GAME_WINE=$WINE32
  play "$EXE32" i686
elif [ -n "$WOW64" ]; then
  log "playing the 32-bit game under wine64's WoW64"
  GAME_WINE=$WINE64
  play "$EXE32" i686
elif [ -z "$WINE32" ] || [ ! -d /usr/lib/i386-linux-gnu/wine ]; then
  log "SKIP: the 32-bit program is not run: 32-bit Wine (wine32:i386) is not installed, $NO_WOW64"
else
  log "SKIP: the 32-bit program is not run: 32-bit Wine is installed but this kernel cannot start it, $NO_WOW64"
fi

log "all Windows checks passed in $((SECONDS - START)) s"
