#!/bin/sh
# Watermark benchmark: the text mark at the default settings, the text as full tiles and a logo
# as tiles, each on 24 slimmed 500 x 375 pictures (load, stamp, save as JPEG), two at a time,
# against ImageMagick doing the same job in the same run (convert -annotate, composite -tile).
# Prints the best of three wall times for the 24 pictures.
# Usage: bench/watermark.sh [build folder] (default build-bench)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}
for tool in convert composite fc-match; do
  command -v "$tool" >/dev/null || { echo "missing $tool (install imagemagick, fontconfig)" >&2; exit 1; }
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGALLIVO_BENCH=ON -DGALLIVO_TESTS=OFF >/dev/null
cmake --build "$build" --target watermark_timing zelvo gallivo_data >/dev/null

data="$build/bench-data/watermark"
photo="$build/bench-data/photo-4000x3000.jpg"
"$here/make-photo.sh" "$photo"
mkdir -p "$data/in"
# 24 slimmed pictures: crops of the photograph scaled to 500 x 375, JPEG quality 85.
if [ ! -s "$data/in/p24.jpg" ]; then
  i=1
  while [ $i -le 24 ]; do
    x=$(( (i % 6) * 400 )); y=$(( (i / 6) * 300 ))
    convert "$photo" -crop 1600x1200+$x+$y +repage -resize 500x375! -quality 85 "$data/in/p$i.jpg"
    i=$((i + 1))
  done
fi
# A 120 x 40 logo with alpha: a half-transparent red plate with an opaque white bar.
logo="$data/logo.png"
[ -s "$logo" ] || convert -size 120x40 xc:none -fill 'rgba(200,0,0,0.5)' -draw 'roundrectangle 0,0 119,39 8,8' \
  -fill white -draw 'rectangle 20,16 99,23' "$logo"

font=$(fc-match -f '%{file}' 'WenQuanYi Zen Hei')
text='请在此处输入水印文字'
# The tile of the tiled text: the mark's box plus the 20-pixel gap, made once.
tile="$data/text-tile.png"
convert -background none -font "$font" -pointsize 22 -fill 'rgba(255,255,255,0.8)' label:"$text" "$data/label.png"
convert "$data/label.png" -background none -gravity northwest \
  -extent "$(identify -format '%[fx:w+20]x%[fx:h+20]' "$data/label.png")" "$tile"
logo80="$data/logo80.png"
convert "$logo" -channel A -evaluate multiply 0.8 +channel "$logo80"

inputs=$(ls "$data"/in/p*.jpg)
now() { date +%s.%N; }
best() {  # best of three runs of "$@"
  b=""
  for _ in 1 2 3; do
    t0=$(now); "$@" >/dev/null; t1=$(now)
    t=$(awk "BEGIN { print $t1 - $t0 }")
    if [ -z "$b" ] || awk "BEGIN { exit !($t < $b) }"; then b=$t; fi
  done
  printf '%.3f' "$b"
}
ours() { "$build/watermark_timing" "$1" "$logo" "$data/out-$1" $inputs 2>/dev/null || { echo "watermark_timing $1 failed" >&2; exit 1; }; }
im() {  # ImageMagick, two processes at a time
  mkdir -p "$data/im-$1"
  for f in $inputs; do echo "$f"; done | xargs -P 2 -I{} sh -c 'o="$2/$(basename "$1")"; '"$2" sh {} "$data/im-$1"
}
im_text='convert "$1" -font '"$font"' -pointsize 22 -fill "rgba(255,255,255,0.8)" -gravity SouthEast -annotate +15+15 '"$text"' -quality 85 "$o"'
im_texttiles='composite -tile '"$tile"' "$1" -quality 85 "$o"'
im_logotiles='composite -tile '"$logo80"' "$1" -quality 85 "$o"'

printf '%-34s %10s %12s %8s\n' "24 pictures 500 x 375, 2 at a time" "Gallivo s" "ImageMagick s" "ratio"
for mode in text texttiles logotiles; do
  case $mode in
    text) label="text at the default settings"; cmd=$im_text ;;
    texttiles) label="text as full tiles"; cmd=$im_texttiles ;;
    logotiles) label="logo as tiles"; cmd=$im_logotiles ;;
  esac
  a=$(best ours $mode)
  b=$(best im $mode "$cmd")
  printf '%-34s %10s %12s %8.2f\n' "$label" "$a" "$b" "$(awk "BEGIN { print $a / $b }")"
done
