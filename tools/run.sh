#!/usr/bin/env bash
# Builds the game for Linux on a fresh Debian machine and starts it on the
# user's desktop (an X11 session).
#
#   tools/run.sh            install packages, build, play
#   LUMBRAVICK_SKIP_APT=1 tools/run.sh     without the package step
set -euo pipefail
cd "$(dirname "$0")/.."

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
