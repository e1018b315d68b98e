#!/usr/bin/env bash
# Installs what is missing, builds Zimbrel and starts it. A picture or folder may follow:
#   scripts/run.sh ~/Bilder/Urlaub
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

"$root/scripts/setup.sh"
# Build in a subshell so the picture or folder argument keeps meaning the caller's path.
(cd "$root" && cmake --preset default >/dev/null && cmake --build --preset default --target zimbrel >/dev/null)
exec "$root/build/src/app/zimbrel" "$@"
