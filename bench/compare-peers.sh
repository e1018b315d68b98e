#!/usr/bin/env bash
# Times the same job (long edge 640, quality 80, the 40 photo-like 12-megapixel JPEGs of
# the folder-run benchmark) with zimbrel-shrink and with the peers that are installed:
# vipsthumbnail (libvips-tools) and GraphicsMagick's mogrify (graphicsmagick). Run by
# hand after `cmake --preset bench && cmake --build --preset bench`; never part of the
# tests. Prints the median wall time of each and Zimbrel's ratio to each peer.
#   bench/compare-peers.sh [RUNS]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-5}
build=build-bench
shrink=$build/src/cli/zimbrel-shrink
corpus_tool=$build/bench/zimbrel_bench_corpus
for tool in "$shrink" "$corpus_tool"; do
  [ -x "$tool" ] || { echo "compare-peers: $tool is missing; run: cmake --preset bench && cmake --build --preset bench" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$corpus_tool" "$work/photos" 40
cores=$(nproc)

# Median of RUNS wall times (seconds) of the command, each into a fresh, empty folder.
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
  printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.3f", t[int((NR + 1) / 2)] / 1e9 }'
}

declare -A seconds
order=()
measure() {
  local name=$1; shift
  seconds[$name]=$(median_seconds "$@")
  order+=("$name")
  printf '%-34s %8s s\n' "$name" "${seconds[$name]}"
}

echo "40 photos of 4000 x 3000 to a long edge of 640 at quality 80, $cores cores, median of $runs"
measure "zimbrel-shrink (all cores)" "$shrink" --quiet -s 640 -q 80 "$work/photos" "$work/out"
measure "zimbrel-shrink --jobs 1" "$shrink" --quiet --jobs 1 -s 640 -q 80 "$work/photos" "$work/out"
if command -v vipsthumbnail >/dev/null; then
  measure "vipsthumbnail" sh -c "vipsthumbnail '$work'/photos/*.jpg --size 640 -o '$work/out/%s.jpg[Q=80]'"
  measure "vipsthumbnail, $cores processes" sh -c \
    "ls '$work'/photos/*.jpg | xargs -P $cores -n 10 sh -c 'vipsthumbnail \"\$@\" --size 640 -o \"$work/out/%s.jpg[Q=80]\"' _"
fi
if command -v gm >/dev/null; then
  measure "gm mogrify" gm mogrify -output-directory "$work/out" -resize 640x640 -quality 80 "$work"/photos/*.jpg
fi

echo
for name in "${order[@]}"; do
  case $name in zimbrel*) continue ;; esac
  awk -v z="${seconds["zimbrel-shrink (all cores)"]}" -v p="${seconds[$name]}" -v n="$name" \
    'BEGIN { printf "zimbrel-shrink / %-28s %.2f\n", n ":", z / p }'
done
