#!/usr/bin/env bash
# Builds the game for Linux on a fresh Debian machine and starts it on the
# user's desktop (an X11 session).
#
#   tools/run.sh            install packages, build, play
#   LUMBRAVICK_SKIP_APT=1 tools/run.sh     without the package step
set -euo pipefail
cd "$(dirname "$0")/.."

# Without a usable X display the game could only say so after the packages and
# the build: say it now, in the program's own words.
no_display() {
  echo "lumbravick: $1" >&2
  exit 1
}
# Whether an X server listens for DISPLAY (the socket of a local display, the
# TCP port of a remote one); whether it lets us in only the program finds out.
x_server_listens() {
  local host=${DISPLAY%:*} number=${DISPLAY##*:}
  number=${number%%.*}
  [[ $number =~ ^[0-9]+$ ]] || return 1
  if [ -z "$host" ] || [ "$host" = unix ]; then
    # A sandbox without the sockets' folder may still reach the server.
    [ -S "/tmp/.X11-unix/X$number" ] || [ ! -d /tmp/.X11-unix ]
  else
    timeout 3 bash -c "exec 3<>/dev/tcp/$host/$((6000 + number))" 2>/dev/null
  fi
}
if [ -z "${DISPLAY:-}" ]; then
  [ -z "${WAYLAND_DISPLAY:-}" ] || no_display "this is a Wayland session without X11; the game needs an X11 session (or XWayland with a capturable root window)"
  no_display "no X display (DISPLAY is not set); start the game in an X11 session"
fi
x_server_listens || no_display "cannot open the X display \"$DISPLAY\""

if [ "${LUMBRAVICK_SKIP_APT:-0}" != 1 ]; then
  if [ "$(id -u)" = 0 ]; then SUDO=; else SUDO=sudo; fi
  # The packages above the [e2e] line: the build needs no test desktop.
  packages=$(sed '/^# \[e2e\]/,$d' tools/packages-linux.txt | grep -v '^#' | grep -v '^$')
  $SUDO apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $packages >/dev/null
fi

jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -gt 2 ] || jobs=2
cmake -S . -B build/game -DCMAKE_BUILD_TYPE=Release -DLUMBRAVICK_BACKEND=linux \
  -DLUMBRAVICK_TESTS=OFF -DLUMBRAVICK_BENCH=OFF >/dev/null
cmake --build build/game -j"$jobs" --target lumbravick

# The game itself says in one line why it cannot start without an X display.
exec build/game/toolkit/linux/lumbravick
