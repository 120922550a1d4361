#!/usr/bin/env bash
# Sets up a fresh Debian machine for the tests and runs them all:
#  1. the portable tests and simulator runs (headless backend);
#  2. the same under the address and undefined-behaviour sanitizers;
#  3. the Linux build, its unit tests and its end-to-end test under Xvfb;
#  4. the Windows builds, cross-compiled, their tests under Wine.
# LUMBRAVICK_SKIP_APT=1 skips the package step; LUMBRAVICK_ONLY="1 2" runs
# only the named stages.
set -euo pipefail
cd "$(dirname "$0")/.."

stage() { [ -z "${LUMBRAVICK_ONLY:-}" ] || [[ " $LUMBRAVICK_ONLY " == *" $1 "* ]]; }
package_lists=(tools/packages-test.txt tools/packages-linux.txt)
[ -f tools/packages-windows.txt ] && package_lists+=(tools/packages-windows.txt)

if [ "${LUMBRAVICK_SKIP_APT:-0}" != 1 ]; then
  if [ "$(id -u)" = 0 ]; then SUDO=; else SUDO=sudo; fi
  $SUDO apt-get update -qq
  # shellcheck disable=SC2046
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
    $(cat "${package_lists[@]}" | grep -v '^#' | grep -v '^$' | sort -u) >/dev/null
fi

jobs=$(nproc 2>/dev/null || echo 2)

if stage 1; then
  echo "== portable tests"
  cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMBRAVICK_BACKEND=none
  cmake --build build/test -j"$jobs"
  ctest --test-dir build/test --output-on-failure -j"$jobs"
fi

if stage 2; then
  echo "== portable tests under the sanitizers"
  cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DLUMBRAVICK_BACKEND=none \
    -DLUMBRAVICK_SANITIZE=ON -DLUMBRAVICK_BENCH=OFF
  cmake --build build/sanitize -j"$jobs"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/sanitize --output-on-failure -j"$jobs"
fi

if stage 3; then
  echo "== Linux build and its end-to-end test"
  cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMBRAVICK_BACKEND=linux
  cmake --build build/linux -j"$jobs"
  bash tools/ci/linux-e2e.sh build/linux
fi

if stage 4 && [ -f tools/ci/windows.sh ]; then
  echo "== Windows builds under Wine"
  bash tools/ci/windows.sh
fi
