#!/usr/bin/env bash
# Times the window's folder run, from the press of "Verkleinern" to the end of the
# program, against zimbrel-shrink on the same folder (the 40 photos of
# bench::MixedCorpus, long edge 640, quality 80, all cores). Needs an X display,
# xdotool and python3 (bench/x11-press.py presses the button): run
#   xvfb-run -a bench/window-vs-cli.sh [RUNS]   (default 5)
# after `cmake --preset bench && cmake --build --preset bench`. Prints the medians and
# the window's time over the command line's, as the ratio of the medians and as the
# median of each back-to-back pair's ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh

runs=${1:-5}
build=${BUILD:-build-bench} # BUILD=build times the default build instead
app=$build/src/app/zimbrel
shrink=$build/src/cli/zimbrel-shrink
corpus_tool=$build/bench/zimbrel_bench_corpus
need_built window-vs-cli "$app" "$shrink" "$corpus_tool"
for command in xdotool python3; do
  command -v "$command" >/dev/null || { echo "window-vs-cli: $command is missing" >&2; exit 2; }
done

work=$(mktemp -d)
bench/x11-press.py --hold &
holder=$!
trap 'kill "$holder"; rm -rf "$work"' EXIT
"$corpus_tool" --mixed "$work/photos"
export XDG_CONFIG_HOME=$work/config # the window's settings stay out of the user's store

window_times=() shrink_times=()
for ((i = 0; i < runs; i++)); do
  rm -rf "$work/photos_klein" "$work/out"
  sync # both runs flush their copies at the end: the removals above are not theirs to flush
  "$app" "$work/photos" &
  pid=$!
  wid=$(xdotool search --sync --onlyvisible --name '^Zimbrel$' | head -1)
  sleep 0.5 # the window settles before the press
  xdotool mousemove --window "$wid" 348 124
  start=$(bench/x11-press.py)
  wait "$pid"
  window_times+=("$(( $(date +%s%N) - start ))")
  [ "$(ls "$work/photos_klein" | wc -l)" = 40 ] || { echo "window-vs-cli: the window wrote no 40 copies" >&2; exit 1; }

  sync
  start=$(date +%s%N)
  "$shrink" --quiet -s 640 -q 80 "$work/photos" "$work/out"
  shrink_times+=("$(( $(date +%s%N) - start ))")
done
window=$(printf '%s\n' "${window_times[@]}" | median %.3f 1e9)
command_line=$(printf '%s\n' "${shrink_times[@]}" | median %.3f 1e9)
echo "the 40 mixed photos to 640 at quality 80, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), median of $runs"
printf 'window (press to end)   %8s s\nzimbrel-shrink          %8s s\n' "$window" "$command_line"
awk -v w="$window" -v c="$command_line" 'BEGIN { printf "window / command line   %8.3f\n", w / c }'
# Each pair ran back to back, so its own ratio is spared the machine's slower drifts.
pair_ratio=$(for ((i = 0; i < runs; i++)); do echo "${window_times[i]} ${shrink_times[i]}"; done |
  awk '{ print $1 / $2 }' | median %.3f)
echo "median of the pairs' ratios $pair_ratio"
