#!/usr/bin/env bash
# Lays out the C++ sources with clang-format and the repository's .clang-format.
#   scripts/format.sh            rewrites every tracked .cpp and .h file in place
#   scripts/format.sh --check    changes nothing; fails when a file is not laid out so
#   scripts/format.sh FILE...    only the files named
set -euo pipefail
cd "$(dirname "$0")/.."

command -v clang-format >/dev/null 2>&1 || { echo "format: clang-format is not installed (apt-get install clang-format)" >&2; exit 1; }

mode=(-i)
if [ "${1:-}" = "--check" ]; then
  mode=(--dry-run -Werror)
  shift
fi

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi
[ ${#files[@]} -eq 0 ] || clang-format --style=file "${mode[@]}" "${files[@]}"
