#!/usr/bin/env bash
# Times and measures zimbrel-shrink's output options on the benchmark photos (the
# photo-like 12-megapixel JPEGs of compare-peers.sh): --filter lanczos3 next to the
# default bilinear path and vipsthumbnail (timed by compare-filters.sh on both corpora,
# which also gives the PSNR of every photo), with the quality of each reduction against
# ImageMagick's `-filter Lanczos -resize` of the full decode (PSNR, before any encoding);
# a second --update run; and --max-size 300K with its encodes per picture. Run by hand
# after `cmake --preset bench && cmake --build --preset bench`; never part of the tests.
#   bench/compare-output-options.sh [RUNS] [PHOTOS]   (defaults 5 and 40)
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/common.sh

runs=${1:-5}
count=${2:-40}
build=build-bench
shrink=$build/src/cli/zimbrel-shrink
corpus_tool=$build/bench/zimbrel_bench_corpus
reduce=$build/bench/zimbrel_bench_reduce
need_built compare-output-options "$shrink" "$corpus_tool" "$reduce"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$corpus_tool" "$work/photos" "$count"

# Median wall time of the command over RUNS runs into the same folder, as it stands.
again_seconds() {
  local times=()
  for ((i = 0; i < runs; i++)); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=("$(( end - start ))")
  done
  printf '%s\n' "${times[@]}" | median %.3f 1e9
}

# The filters' times: interleaved, CPU and wall, on both corpora (compare-filters.sh).
BUILD=$build bench/compare-filters.sh "$runs" both nopsnr
echo
echo "PSNR against ImageMagick -filter Lanczos -resize of the full decode (dB, before encoding)"
if command -v convert >/dev/null && command -v compare >/dev/null; then
  psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 || true; }
  measure_psnr() { # picture width height label
    local picture=$1 width=$2 height=$3 label=$4
    convert "$picture" -filter Lanczos -resize "${width}x${height}!" "$work/reference.ppm"
    "$reduce" "$picture" "$work/bilinear.ppm" "$width" "$height" bilinear
    "$reduce" "$picture" "$work/lanczos3.ppm" "$width" "$height" lanczos3
    local vips="-"
    if command -v vips >/dev/null; then
      vipsthumbnail "$picture" --size "${width}x${height}" -o "$work/vips.ppm" && vips="$(psnr "$work/vips.ppm" "$work/reference.ppm")"
    fi
    printf '%-34s bilinear %6s   lanczos3 %6s   vipsthumbnail %6s\n' "$label" \
      "$(psnr "$work/bilinear.ppm" "$work/reference.ppm")" "$(psnr "$work/lanczos3.ppm" "$work/reference.ppm")" "$vips"
  }
  for i in 0 1 2 3; do
    [ -f "$work/photos/foto0$i.jpg" ] && measure_psnr "$work/photos/foto0$i.jpg" 640 480 "foto0$i.jpg at 640 x 480"
  done
  measure_psnr tests/imaging/data/circuit-board-photo.jpg 160 107 "real photo 480 x 320 at 160 x 107"
else
  echo "(ImageMagick's convert and compare are not installed)"
fi

echo
rm -rf "$work/out"
"$shrink" --quiet --update -s 640 -q 80 "$work/photos" "$work/out"
printf '%-44s %8s s\n' "zimbrel-shrink --update, second run" \
  "$(again_seconds "$shrink" --quiet --update -s 640 -q 80 "$work/photos" "$work/out")"

echo
rm -rf "$work/out"
for size in 2048 4000; do
  summary=$("$shrink" --max-size 300K -s "$size" -q 90 "$work/photos" "$work/out-$size" 2>&1 | tail -1)
  largest=$(find "$work/out-$size" -type f -printf '%s\n' | sort -n | tail -1)
  echo "--max-size 300K -s $size -q 90: ${summary#zimbrel-shrink: }; largest copy $largest bytes"
done
