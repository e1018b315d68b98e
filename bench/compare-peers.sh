#!/usr/bin/env bash
# Times the same job (long edge 640, quality 80) with zimbrel-shrink and with the peers
# that are installed: vipsthumbnail (libvips-tools) and GraphicsMagick's mogrify
# (graphicsmagick). The photos: the 40 of bench::MixedCorpus (as users' folders hold
# them: progressive, 4:2:2, 4:4:4, sideways; the default) or 40 uniform 12-megapixel
# JPEGs. Run by hand after `cmake --preset bench && cmake --build --preset bench`; never
# part of the tests. Prints the median wall time and CPU time (user + system) of each,
# and Zimbrel's ratio to each peer. BASELINE=path/to/an/older/zimbrel-shrink adds it too.
#   bench/compare-peers.sh [RUNS] [mixed|uniform]   (default 5 mixed)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh

runs=${1:-5}
corpus=${2:-mixed}
build=${BUILD:-build-bench} # BUILD=build times the default build instead
shrink=$build/src/cli/zimbrel-shrink
corpus_tool=$build/bench/zimbrel_bench_corpus
need_built compare-peers "$shrink" "$corpus_tool"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
case $corpus in
  mixed) "$corpus_tool" --mixed "$work/photos"; what="the 40 mixed photos" ;;
  uniform) "$corpus_tool" "$work/photos" 40; what="40 photos of 4000 x 3000" ;;
  *) echo "compare-peers: the corpus is mixed or uniform, not $corpus" >&2; exit 2 ;;
esac
cores=$(nproc)

# Median of RUNS wall times and CPU times (seconds) of the command, each into a fresh,
# empty folder: "WALL CPU".
median_seconds() {
  local walls=() cpus=()
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out" && mkdir "$work/out"
    local line
    line=$( { TIMEFORMAT='%R %U %S'; time "$@" >/dev/null 2>&1; } 2>&1 | tail -1)
    walls+=("$(awk '{ print $1 }' <<<"$line")")
    cpus+=("$(awk '{ print $2 + $3 }' <<<"$line")")
  done
  local wall cpu
  wall=$(printf '%s\n' "${walls[@]}" | median %.3f)
  cpu=$(printf '%s\n' "${cpus[@]}" | median %.3f)
  echo "$wall $cpu"
}

declare -A seconds
order=()
declare -A cpu
measure() {
  local name=$1; shift
  local both
  both=$(median_seconds "$@")
  seconds[$name]=${both% *}
  cpu[$name]=${both#* }
  order+=("$name")
  printf '%-34s %8s s wall %8s s CPU\n' "$name" "${seconds[$name]}" "${cpu[$name]}"
}

echo "$what to a long edge of 640 at quality 80, $cores cores, load $(cut -d' ' -f1-3 /proc/loadavg), median of $runs"
measure "zimbrel-shrink (all cores)" "$shrink" --quiet -s 640 -q 80 "$work/photos" "$work/out"
measure "zimbrel-shrink --jobs 1" "$shrink" --quiet --jobs 1 -s 640 -q 80 "$work/photos" "$work/out"
if [ -n "${BASELINE:-}" ]; then
  measure "baseline (all cores)" "$BASELINE" --quiet -s 640 -q 80 "$work/photos" "$work/out"
  measure "baseline --jobs 1" "$BASELINE" --quiet --jobs 1 -s 640 -q 80 "$work/photos" "$work/out"
fi
if command -v vipsthumbnail >/dev/null; then
  measure "vipsthumbnail" sh -c "vipsthumbnail '$work'/photos/*.jpg --size 640 -o '$work/out/%s.jpg[Q=80]'"
  measure "vipsthumbnail, $cores processes" sh -c \
    "ls '$work'/photos/*.jpg | xargs -P $cores -n 10 sh -c 'vipsthumbnail \"\$@\" --size 640 -o \"$work/out/%s.jpg[Q=80]\"' _"
fi
if command -v gm >/dev/null; then
  measure "gm mogrify" gm mogrify -output-directory "$work/out" -resize 640x640 -quality 80 "$work"/photos/*.jpg
fi

echo
if [ -n "${BASELINE:-}" ]; then
  awk -v z="${cpu["zimbrel-shrink --jobs 1"]}" -v b="${cpu["baseline --jobs 1"]}" \
    'BEGIN { printf "CPU time, --jobs 1, zimbrel-shrink / baseline:  %.2f\n", z / b }'
fi
for name in "${order[@]}"; do
  case $name in zimbrel*) continue ;; esac
  awk -v z="${seconds["zimbrel-shrink (all cores)"]}" -v p="${seconds[$name]}" -v n="$name" \
    'BEGIN { printf "zimbrel-shrink / %-28s %.2f\n", n ":", z / p }'
done
