#!/bin/sh
# Makes the benchmark's set of photographs: N (default 24) real photos from the Debian
# wallpaper package, each a different crop, scaled to 4000 x 3000 and saved as JPEG
# quality 92 with 4:2:0 chroma. Usage: bench/make-photo-set.sh OUT-FOLDER [N]
set -eu
out=${1:?usage: make-photo-set.sh OUT-FOLDER [N]}
n=${2:-24}
[ "$(ls "$out"/*.jpg 2>/dev/null | wc -l)" -eq "$n" ] && exit 0

list() { find /usr/share/backgrounds -iname '*.jpg' -size +300k 2>/dev/null | sort; }
if [ -z "$(list)" ]; then
  bash "$(dirname "$0")/../tools/install-deps.sh" bench || true
fi
set -- $(list)
[ $# -gt 0 ] || { echo "no photographs found (run tools/install-deps.sh bench as root)" >&2; exit 1; }

magick=$(command -v convert-im6.q16 || command -v convert)
rm -rf "$out"
mkdir -p "$out"
i=0
for crop in 100% 85%+0+0 85%-0-0; do
  for src in "$@"; do
    [ $i -lt "$n" ] || break
    name=$(printf 'photo%02d.jpg' $i)
    gravity=center
    [ "$crop" = 85%-0-0 ] && gravity=southeast
    "$magick" "$src" -gravity $gravity -crop "${crop%%[+-]*}x${crop%%[+-]*}+0+0" +repage \
      -resize '4000x3000^' -gravity center -extent 4000x3000 \
      -sampling-factor 2x2,1x1,1x1 -quality 92 "$out/$name"
    i=$((i + 1))
  done
done
[ $i -eq "$n" ] || { echo "only $i photographs made" >&2; exit 1; }
