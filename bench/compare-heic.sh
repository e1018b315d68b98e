#!/usr/bin/env bash
# Times shrinking a folder of HEIC photos (long edge 640, quality 80) with zimbrel-shrink
# and with the tools people use for it: libheif's heif-convert to a JPEG followed by a
# resize (GraphicsMagick), and vipsthumbnail (which reads HEIC through libheif itself).
# Run by hand; never part of the tests. Prints the median wall time of RUNS runs and
# the pictures per second of each.
#   bench/compare-heic.sh FOLDER [RUNS] [ZIMBREL_SHRINK]
#   (defaults: 3 runs, build/src/cli/zimbrel-shrink)
set -euo pipefail
source "$(dirname "$0")/common.sh"

folder=${1:?usage: compare-heic.sh FOLDER [RUNS] [ZIMBREL_SHRINK]}
runs=${2:-3}
shrink=${3:-build/src/cli/zimbrel-shrink}
[ -x "$shrink" ] || { echo "compare-heic: $shrink is missing" >&2; exit 2; }
mapfile -t photos < <(find "$folder" -maxdepth 1 -type f \( -iname '*.heic' -o -iname '*.heif' \) | sort)
count=${#photos[@]}
[ "$count" -gt 0 ] || { echo "compare-heic: no HEIC photos in $folder" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cores=$(nproc)

median_seconds() {
  local times=()
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out" && mkdir "$work/out"
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=("$(( end - start ))")
  done
  printf '%s\n' "${times[@]}" | median %.3f 1e9
}

measure() {
  local name=$1; shift
  local s
  s=$(median_seconds "$@")
  awk -v n="$name" -v s="$s" -v c="$count" 'BEGIN { printf "%-40s %8.3f s %8.2f pictures/s\n", n, s, c / s }'
}

convert_then_resize() {
  for photo in "${photos[@]}"; do
    local name
    name=$(basename "${photo%.*}")
    heif-convert -q 95 "$photo" "$work/out/$name.full.jpg"
    gm convert "$work/out/$name.full.jpg" -resize 640x640 -quality 80 "$work/out/$name.jpg"
    rm -f "$work/out/$name.full.jpg"
  done
}
export -f convert_then_resize 2>/dev/null || true

echo "$count HEIC photos of $folder to a long edge of 640 at quality 80, $cores cores, median of $runs"
measure "zimbrel-shrink (all cores)" "$shrink" --quiet -s 640 -q 80 "$folder" "$work/out"
measure "zimbrel-shrink --jobs 1" "$shrink" --quiet --jobs 1 -s 640 -q 80 "$folder" "$work/out"
if command -v heif-convert >/dev/null && command -v gm >/dev/null; then
  measure "heif-convert + gm convert -resize" convert_then_resize
fi
if command -v vipsthumbnail >/dev/null; then
  measure "vipsthumbnail" vipsthumbnail "${photos[@]}" --size 640 -o "$work/out/%s.jpg[Q=80]"
fi
