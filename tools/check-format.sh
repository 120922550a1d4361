#!/usr/bin/env bash
# Fails, naming the files, when a C or C++ source of the tree does not match
# the project's .clang-format. `tools/check-format.sh --fix` formats them.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "clang-format is not installed (Debian package clang-format)" >&2; exit 2; }
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.c' '*.hpp')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  echo "not formatted (run tools/check-format.sh --fix):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "format: ${#files[@]} files match .clang-format"
