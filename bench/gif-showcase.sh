#!/bin/sh
# The showcase benchmark on real wallpapers: prepares 24 pictures of 500 x 500 fitted on
# white, times ImageMagick writing them as one animation, then runs gif_bench on the same
# files. Usage: bench/gif-showcase.sh [build folder] (configured with -DGALLIVO_BENCH=ON).
set -eu
build=${1:-build}
walls=/usr/share/backgrounds/gnome
if ! ls $walls/*.webp >/dev/null 2>&1; then
  bash "$(dirname "$0")/../tools/install-deps.sh" bench
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/gif-showcase.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Every wallpaper larger than a few kilobytes, cropped three ways for 24 distinct frames.
set -- $(find $walls -name '*.webp' -size +100k | sort)
i=0
for gravity in center northwest southeast; do
  for src in "$@"; do
    [ $i -lt 24 ] || break
    n=$(printf %02d $i)
    convert "$src" -gravity $gravity -crop 60%x45%+0+0 +repage -resize 500x500 \
      -background white -gravity center -extent 500x500 "$work/frame$n.png"
    i=$((i + 1))
  done
done
convert "$1" -resize '4000x3000!' -quality 90 "$work/photo4000.jpg"
convert "$1" -resize '500x500!' "$work/photo500.png"

start=$(date +%s.%N)
convert -delay 100 -loop 0 "$work"/frame*.png "$work/magick.gif"
end=$(date +%s.%N)
echo "ImageMagick convert -delay 100 -loop 0: $(awk "BEGIN { printf \"%.0f\", ($end - $start) * 1000 }") ms," \
  "$(stat -c %s "$work/magick.gif") bytes"

cmake --build "$build" --target gif_bench >/dev/null
GALLIVO_BENCH_DIR="$work" "$build/gif_bench"
echo "engine animation: $(stat -c %s "$work/engine.gif") bytes"
