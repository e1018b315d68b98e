#!/usr/bin/env bash
# zimbrel-shrink --filter lanczos3 against the default bilinear path (and vipsthumbnail,
# which does the same kind of work) on both benchmark corpora, long edge 640, quality 80:
# the commands run interleaved in every round, so that a busy moment of the machine hits
# all of them alike. Prints the median CPU time (user + system) with one worker and the
# median wall time with the default workers, then the lanczos3 reduction's PSNR against
# ImageMagick's `-filter Lanczos -resize` of the same full decode (before any encoding),
# lowest and median over each corpus. BASELINE=path/to/an/older/zimbrel-shrink times
# that one too. Run by hand after `cmake --preset bench && cmake --build --preset bench`;
# never part of the tests.
#   bench/compare-filters.sh [RUNS] [mixed|uniform|both] [psnr|nopsnr]   (defaults 5 both psnr)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh

runs=${1:-5}
which=${2:-both}
quality_too=${3:-psnr}
build=${BUILD:-build-bench}
shrink=$build/src/cli/zimbrel-shrink
corpus_tool=$build/bench/zimbrel_bench_corpus
reduce=$build/bench/zimbrel_bench_reduce
need_built compare-filters "$shrink" "$corpus_tool" "$reduce"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cores=$(nproc)

# The commands, one per line: a label, a tab, the command line ($photos and $out are
# filled in when it runs).
commands() {
  printf 'bilinear (default)\t%s --filter bilinear\n' "$shrink"
  printf 'lanczos3\t%s --filter lanczos3\n' "$shrink"
  [ -n "${BASELINE:-}" ] && printf 'lanczos3, baseline\t%s --filter lanczos3\n' "$BASELINE"
  [ -n "${BASELINE:-}" ] && printf 'bilinear, baseline\t%s --filter bilinear\n' "$BASELINE"
  command -v vipsthumbnail >/dev/null && printf 'vipsthumbnail\tvips\n'
  return 0
}

# One run of command line $1 with $2 workers; prints "WALL CPU" in seconds.
run_once() {
  local line=$1 jobs=$2 photos=$3
  rm -rf "$work/out" && mkdir "$work/out"
  local timing
  if [ "$line" = vips ]; then
    # shellcheck disable=SC2016 # the inner shell expands them
    timing=$( { TIMEFORMAT='%R %U %S'; time { find "$photos" -name '*.jpg' -print0 | xargs -0 -P "$jobs" -n 10 sh -c \
      'vipsthumbnail "$@" --size 640 -o "$0/%s.jpg[Q=80]"' "$work/out" >/dev/null 2>&1; }; } 2>&1 | tail -1)
  else
    # shellcheck disable=SC2086
    timing=$( { TIMEFORMAT='%R %U %S'; time $line --quiet -j "$jobs" -s 640 -q 80 "$photos" "$work/out" >/dev/null 2>&1; } 2>&1 | tail -1)
  fi
  awk '{ printf "%s %s\n", $1, $2 + $3 }' <<<"$timing"
}

time_corpus() {
  local photos=$1 what=$2
  local -a labels lines
  while IFS=$'\t' read -r label line; do labels+=("$label"); lines+=("$line"); done < <(commands)
  declare -A cpu wall
  for ((round = 0; round < runs; round++)); do
    for ((c = 0; c < ${#lines[@]}; c++)); do
      cpu[$c]+="$(run_once "${lines[$c]}" 1 "$photos" | awk '{ print $2 }') "
      wall[$c]+="$(run_once "${lines[$c]}" "$cores" "$photos" | awk '{ print $1 }') "
    done
  done
  echo "$what, long edge 640, quality 80, median of $runs (interleaved)"
  printf '  %-24s %12s %16s\n' "" "CPU s, -j 1" "wall s, -j $cores"
  for ((c = 0; c < ${#lines[@]}; c++)); do
    printf '  %-24s %12s %16s\n' "${labels[$c]}" "$(tr ' ' '\n' <<<"${cpu[$c]}" | grep . | median)" \
      "$(tr ' ' '\n' <<<"${wall[$c]}" | grep . | median)"
  done
}

# PSNR of the lanczos3 reduction of every photo against ImageMagick's Lanczos of the full
# decode (the program's own, turned as the program turns it); long edge 640.
psnr_corpus() {
  local photos=$1 what=$2 values=()
  for picture in "$photos"/*.jpg; do
    "$reduce" "$picture" "$work/full.ppm" 0 0 full
    local w h
    read -r w h < <(head -c 40 "$work/full.ppm" | sed -n 2p)
    local tw th
    if ((w >= h)); then tw=640; th=$(((h * 640 + w / 2) / w)); else th=640; tw=$(((w * 640 + h / 2) / h)); fi
    convert "$work/full.ppm" -filter Lanczos -resize "${tw}x${th}!" "$work/reference.ppm"
    "$reduce" "$picture" "$work/lanczos3.ppm" "$tw" "$th" lanczos3
    values+=("$(compare -metric PSNR "$work/lanczos3.ppm" "$work/reference.ppm" null: 2>&1 || true)")
  done
  printf '%s\n' "${values[@]}" | sort -n | awk -v what="$what" \
    '{ v[NR] = $1 } END { printf "  %s: lanczos3 PSNR lowest %.1f dB, median %.1f dB (%d photos)\n", what, v[1], v[int((NR + 1) / 2)], NR }'
}

corpora=()
case $which in
  mixed | both) "$corpus_tool" --mixed "$work/mixed" >/dev/null; corpora+=("mixed") ;;&
  uniform | both) "$corpus_tool" "$work/uniform" 40 >/dev/null; corpora+=("uniform") ;;
  mixed) ;;
  *) echo "compare-filters: the corpus is mixed, uniform or both, not $which" >&2; exit 2 ;;
esac
declare -A titles=([mixed]="the 40 mixed photos" [uniform]="40 photos of 4000 x 3000")
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for corpus in "${corpora[@]}"; do time_corpus "$work/$corpus" "${titles[$corpus]}"; done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "$quality_too" = psnr ] && command -v convert >/dev/null && command -v compare >/dev/null; then
  echo "PSNR against ImageMagick -filter Lanczos -resize of the full decode (before encoding)"
  for corpus in "${corpora[@]}"; do psnr_corpus "$work/$corpus" "${titles[$corpus]}"; done
fi
