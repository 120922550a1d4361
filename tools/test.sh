#!/usr/bin/env bash
# Sets up a fresh Debian machine for the tests and runs them all:
#  1. the source format check, the portable tests and simulator runs
#     (headless backend);
#  2. the same under the address and undefined-behaviour sanitizers, each
#     fuzz target for a few seconds (clang and libFuzzer) and a 60-second
#     soak game;
#  3. the Linux build, its unit tests and its end-to-end tests under Xvfb
#     (the game, and the guardian with the ways out), then a game on each
#     of the cheaper Linux desktops;
#  4. the Windows builds, cross-compiled, their tests under Wine.
# LUMBRAVICK_SKIP_APT=1 skips the package step; LUMBRAVICK_ONLY="1 2" runs
# only the named stages.
set -euo pipefail
cd "$(dirname "$0")/.."

stage() { [ -z "${LUMBRAVICK_ONLY:-}" ] || [[ " $LUMBRAVICK_ONLY " == *" $1 "* ]]; }
package_lists=(tools/packages-test.txt tools/packages-linux.txt)
[ -f tools/packages-windows.txt ] && package_lists+=(tools/packages-windows.txt)

if [ "$(id -u)" = 0 ]; then SUDO=; else SUDO=sudo; fi
apt_install() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@"; }

# 32-bit Wine runs the 32-bit Windows build. It needs Debian's i386
# architecture, whose package index is sometimes out of step with the amd64
# one on the mirror; then the architecture is taken away again, so that the
# machine is left as it was, and the 32-bit run is skipped with a message.
# A 95-byte i386 Linux program that exits with 42: whether this kernel runs
# 32-bit programs at all (some virtual machines' kernels are built without).
kernel_runs_i386() {
  local probe status=0
  probe=$(mktemp)
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5f\x00\x00\x00\x5f\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb3\x2a\xb8\x01\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ $status = 42 ]
}

install_wine32() {
  if [ -x /usr/lib/wine/wine ] && [ -d /usr/lib/i386-linux-gnu/wine ]; then return 0; fi
  if ! kernel_runs_i386; then
    echo "== SKIP: this kernel cannot run 32-bit programs; 32-bit Wine is not installed and the 32-bit program will not be run"
    return 0
  fi
  local had_i386=0
  dpkg --print-foreign-architectures | grep -qx i386 && had_i386=1
  [ $had_i386 = 1 ] || $SUDO dpkg --add-architecture i386 || return 0
  if $SUDO apt-get update -qq && apt_install wine32:i386 >/dev/null; then
    echo "== 32-bit Wine installed"
    return 0
  fi
  echo "== SKIP: 32-bit Wine could not be installed (the i386 package index or its packages are not usable); the 32-bit program will not be run"
  if [ $had_i386 = 0 ]; then
    $SUDO dpkg --remove-architecture i386 || echo "warning: the i386 architecture could not be removed again"
    $SUDO apt-get update -qq || true
  fi
}

if [ "${LUMBRAVICK_SKIP_APT:-0}" != 1 ]; then
  # A mirror in the middle of a sync fails an index or two; the lists
  # already on the machine, if any, still serve.
  $SUDO apt-get update -qq || echo "warning: apt-get update reported errors; going on with the package lists it has"
  # shellcheck disable=SC2046
  apt_install $(cat "${package_lists[@]}" | grep -v '^#' | grep -v '^$' | sort -u) >/dev/null
  if stage 4 && [ -f tools/packages-windows.txt ]; then install_wine32; fi
fi

jobs=$(nproc 2>/dev/null || echo 2)

if stage 1; then
  echo "== source format"
  bash tools/check-format.sh
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
  fuzz_seconds=${LUMBRAVICK_FUZZ_SECONDS:-10}
  echo "== fuzz targets, $fuzz_seconds s each"
  for target in tests/fuzz/fuzz_*.cpp; do
    target=${target#tests/fuzz/fuzz_}
    bash tools/fuzz.sh "${target%.cpp}" "$fuzz_seconds"
  done
  echo "== soak, 60 s of play"
  bash tools/soak.sh 60
fi

if stage 3; then
  echo "== Linux build and its end-to-end test"
  cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMBRAVICK_BACKEND=linux
  cmake --build build/linux -j"$jobs"
  bash tools/ci/linux-e2e.sh build/linux
  bash tools/ci/linux-guardian.sh build/linux
  echo "== the game on the desktops the test command runs"
  bash tools/ci/linux-desktops.sh --cheap build/linux
fi

if stage 4 && [ -f tools/ci/windows.sh ]; then
  echo "== Windows builds under Wine"
  bash tools/ci/windows.sh
  bash tools/ci/windows-guardian.sh
fi
