#!/usr/bin/env bash
# Sets up a fresh Debian machine for the tests and runs them all: the unit
# and simulator tests, then the same again under the address and
# undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" = 0 ]; then SUDO=; else SUDO=sudo; fi
if [ "${LUMBRAVICK_SKIP_APT:-0}" != 1 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    $(grep -v '^#' tools/packages-test.txt) >/dev/null
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMBRAVICK_BACKEND=none
cmake --build build/test -j"$jobs"
ctest --test-dir build/test --output-on-failure -j"$jobs"

cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DLUMBRAVICK_BACKEND=none -DLUMBRAVICK_SANITIZE=ON -DLUMBRAVICK_BENCH=OFF
cmake --build build/sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize --output-on-failure -j"$jobs"
