#!/usr/bin/env bash
# Installs what is missing, builds Zimbrel with its tests and runs the whole suite.
#   scripts/test.sh            release build in build/
#   scripts/test.sh --asan     the same under AddressSanitizer and UBSan, in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."

preset=default
if [ "${1:-}" = "--asan" ]; then
  preset=asan
fi

./scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
