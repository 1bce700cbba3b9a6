#!/bin/sh
# Makes the benchmark photograph: a real photo from a Debian wallpaper package, scaled and
# cropped to 4000 x 3000 and saved as JPEG quality 92 with 4:2:0 chroma.
# Usage: bench/make-photo.sh OUT.jpg
set -eu
out=${1:?usage: make-photo.sh OUT.jpg}
[ -s "$out" ] && exit 0

find_photo() {
  for p in /usr/share/backgrounds/mate/nature/Wood.jpg /usr/share/backgrounds/mate/nature/LadyBird.jpg; do
    [ -s "$p" ] && { echo "$p"; return; }
  done
  find /usr/share/backgrounds -iname '*.jpg' -size +300k 2>/dev/null | head -n 1
}

src=$(find_photo)
if [ -z "$src" ]; then
  bash "$(dirname "$0")/../tools/install-deps.sh" bench || true
  src=$(find_photo)
fi
[ -n "$src" ] || { echo "no photograph found (run tools/install-deps.sh bench as root)" >&2; exit 1; }

mkdir -p "$(dirname "$out")"
convert "$src" -resize '4000x3000^' -gravity center -extent 4000x3000 \
  -sampling-factor 2x2,1x1,1x1 -quality 92 "$out.tmp.jpg"
mv "$out.tmp.jpg" "$out"
identify "$out" >&2
