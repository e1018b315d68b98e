#!/usr/bin/env bash
# Times the same job (long edge 640, quality 80) with zimbrel-shrink and with the peers
# that are installed: vipsthumbnail (libvips-tools) and GraphicsMagick's mogrify
# (graphicsmagick). The photos: the 40 of bench::MixedCorpus (as users' folders hold
# them: progressive, 4:2:2, 4:4:4, sideways; the default) or 40 uniform 12-megapixel
# JPEGs. Run by hand after `cmake --preset bench && cmake --build --preset bench`; never
# part of the tests. The programs take turns, one run each at a time. Prints the median
# wall time and CPU time (user + system) of each, and Zimbrel's ratio to each peer.
# BASELINE=path/to/an/older/zimbrel-shrink adds it too. PAUSE=SECONDS waits before each
# run: a run that starts right after another finds the memory that one freed still at
# hand, cheaper to touch than memory the system (or a virtual machine's host) has taken
# back, so back to back the order of the programs weighs on their CPU times; a few
# seconds apart, each starts as a user's run does.
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

# The programs, each as a command line, timed in turns: run i of every program before
# run i + 1 of any, so a drift of the machine's speed falls on all of them alike.
names=() commands=()
add() {
  local name=$1
  shift
  names+=("$name")
  commands+=("$(printf '%q ' "$@")")
}
add "zimbrel-shrink (all cores)" "$shrink" --quiet -s 640 -q 80 "$work/photos" "$work/out"
add "zimbrel-shrink --jobs 1" "$shrink" --quiet --jobs 1 -s 640 -q 80 "$work/photos" "$work/out"
if [ -n "${BASELINE:-}" ]; then
  add "baseline (all cores)" "$BASELINE" --quiet -s 640 -q 80 "$work/photos" "$work/out"
  add "baseline --jobs 1" "$BASELINE" --quiet --jobs 1 -s 640 -q 80 "$work/photos" "$work/out"
fi
if command -v vipsthumbnail >/dev/null; then
  add "vipsthumbnail" sh -c "vipsthumbnail '$work'/photos/*.jpg --size 640 -o '$work/out/%s.jpg[Q=80]'"
  add "vipsthumbnail, $cores processes" sh -c \
    "ls '$work'/photos/*.jpg | xargs -P $cores -n 10 sh -c 'vipsthumbnail \"\$@\" --size 640 -o \"$work/out/%s.jpg[Q=80]\"' _"
fi
if command -v gm >/dev/null; then
  # From inside the folder: mogrify puts the names it is given, folders and all, below
  # the output folder, and fails where those folders are missing.
  add "gm mogrify" sh -c "cd '$work/photos' && gm mogrify -output-directory '$work/out' -resize 640x640 -quality 80 *.jpg"
fi

walls=() cpus=()
for ((i = 0; i < runs; i++)); do
  for j in "${!commands[@]}"; do
    rm -rf "$work/out" && mkdir "$work/out"
    sleep "${PAUSE:-0}"
    line=$( { TIMEFORMAT='%R %U %S'; time eval "${commands[j]}" >/dev/null 2>&1; } 2>&1 | tail -1) ||
      { echo "compare-peers: ${names[j]} failed" >&2; exit 1; }
    [ "$(ls "$work/out" | wc -l)" -gt 0 ] || { echo "compare-peers: ${names[j]} wrote nothing" >&2; exit 1; }
    walls[j]+="$(awk '{ print $1 }' <<<"$line") "
    cpus[j]+="$(awk '{ print $2 + $3 }' <<<"$line") "
  done
done

echo "$what to a long edge of 640 at quality 80, $cores cores, load $(cut -d' ' -f1-3 /proc/loadavg), median of $runs, ${PAUSE:-0} s apart"
declare -A seconds cpu
for j in "${!names[@]}"; do
  name=${names[j]}
  seconds[$name]=$(tr ' ' '\n' <<<"${walls[j]}" | grep . | median %.3f)
  cpu[$name]=$(tr ' ' '\n' <<<"${cpus[j]}" | grep . | median %.3f)
  printf '%-34s %8s s wall %8s s CPU\n' "$name" "${seconds[$name]}" "${cpu[$name]}"
done

echo
if [ -n "${BASELINE:-}" ]; then
  awk -v z="${cpu["zimbrel-shrink (all cores)"]}" -v b="${cpu["baseline (all cores)"]}" \
    'BEGIN { printf "CPU time, all cores, zimbrel-shrink / baseline: %.2f\n", z / b }'
  awk -v z="${cpu["zimbrel-shrink --jobs 1"]}" -v b="${cpu["baseline --jobs 1"]}" \
    'BEGIN { printf "CPU time, --jobs 1, zimbrel-shrink / baseline:  %.2f\n", z / b }'
fi
for name in "${names[@]}"; do
  case $name in zimbrel*) continue ;; esac
  awk -v z="${seconds["zimbrel-shrink (all cores)"]}" -v p="${seconds[$name]}" -v n="$name" \
    'BEGIN { printf "zimbrel-shrink / %-28s %.2f\n", n ":", z / p }'
done
