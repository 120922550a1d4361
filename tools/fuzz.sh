#!/usr/bin/env bash
# Fuzzes one reader for a while:
#   tools/fuzz.sh TARGET SECONDS [libFuzzer options...]
# TARGET is a folder name under tests/fuzz (bmp, ico, wav, png, script,
# settings, registry). The target is built with clang and libFuzzer, under
# the address and undefined-behaviour sanitizers, in build/fuzz; it starts
# from the checked-in inputs in tests/fuzz/TARGET and keeps what it finds in
# build/fuzz/corpus/TARGET. A crash, a leak or a broken check stops it: the
# input is left in build/fuzz/crashes/TARGET and the script fails. Add that
# input to tests/fuzz/TARGET (it then replays in every test run) and fix the
# cause.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 2 ] || ! [[ $2 =~ ^[0-9]+$ ]]; then
  echo "usage: tools/fuzz.sh TARGET SECONDS [libFuzzer options...]" >&2
  exit 2
fi
target=$1 seconds=$2
shift 2
if [ ! -f "tests/fuzz/fuzz_$target.cpp" ]; then
  echo "fuzz.sh: no target '$target'; there are: $(cd tests/fuzz && ls fuzz_*.cpp | sed 's/fuzz_//; s/\.cpp//' | tr '\n' ' ')" >&2
  exit 2
fi

build=${LUMBRAVICK_FUZZ_BUILD:-build/fuzz}
# Configured every time: a new target must be known before it is built.
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMBRAVICK_BACKEND=none -DLUMBRAVICK_FUZZ=ON -DLUMBRAVICK_TESTS=OFF -DLUMBRAVICK_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc 2>/dev/null || echo 2)" --target "lumbravick_fuzz_$target" >"$build/build-$target.log" 2>&1 ||
  { tail -30 "$build/build-$target.log"; exit 1; }

corpus=$build/corpus/$target crashes=$build/crashes/$target log=$build/fuzz-$target.log
mkdir -p "$corpus" "$crashes"
status=0
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$build/tests/fuzz/lumbravick_fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$crashes/" "$@" "$corpus" "tests/fuzz/$target" >"$log" 2>&1 || status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
if [ $status != 0 ]; then
  grep -E 'ERROR|SUMMARY|check failed|Test unit written' "$log" | head -20 >&2
  echo "fuzz $target: FAILED after ${runs:-?} runs (whole log: $log)" >&2
  exit 1
fi
echo "fuzz $target: ${runs:-?} runs in ${took:-$seconds} s, nothing found ($(find "$corpus" -type f | wc -l) inputs learnt)"
