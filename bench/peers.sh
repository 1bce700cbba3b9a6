#!/bin/sh
# The slimming job against other programs on this machine, all in one sitting: 24
# photographs of 4000 x 3000 (JPEG q92, 4:2:0) shrunk to 500 wide and saved at q80, by
# gallivo-batch (exact, and with shrink-on-load) and by vipsthumbnail, ImageMagick, Pillow
# with draft, and djpeg at full scale and at 1/8 as the floor; then the showcase GIF of the
# 24 against ImageMagick making the same looping GIF. Every job runs with two workers (two
# processes, or two at a time), the jobs take turns, and each figure is the median of the
# runs. Prints milliseconds and ratios, and the peak memory of gallivo-batch per worker.
# Usage: bench/peers.sh [build folder] [runs]   (default build-bench, 5 runs)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}
runs=${2:-5}

# ---- tools (Debian packages, installed when missing) --------------------------------------
need() {  # need COMMAND PACKAGE
  command -v "$1" >/dev/null 2>&1 && return
  echo "installing $2 for $1" >&2
  apt-get install -y "$2" >/dev/null || { echo "peers.sh: $1 missing, install the package $2" >&2; exit 1; }
}
need vipsthumbnail libvips-tools
need convert-im6.q16 imagemagick
need djpeg libjpeg-turbo-progs
[ -x /usr/bin/time ] || need /usr/bin/time time
if ! /usr/bin/python3 -c 'import PIL' 2>/dev/null; then
  echo "installing python3-pil" >&2
  apt-get install -y python3-pil >/dev/null || { echo "peers.sh: install the package python3-pil" >&2; exit 1; }
fi
# The ImageMagick binary itself, not a wrapper that may sit earlier on PATH.
magick=$(command -v convert-im6.q16)

# ---- gallivo-batch and the photographs -------------------------------------------------------
. "$here/slim-job-env.sh"
set -- "$photos"/*.jpg
[ $# -eq 24 ] || { echo "peers.sh: expected 24 photographs in $photos" >&2; exit 1; }
first12=$(ls "$photos"/*.jpg | head -n 12 | tr '\n' ' ')
last12=$(ls "$photos"/*.jpg | tail -n 12 | tr '\n' ' ')

# ---- the jobs: each is one shell function writing into a fresh folder $out ------------------
job_gallivo_exact() { "$batch" -q -j 2 --exact $slim -o "$out" "$photos" >/dev/null; }
job_gallivo_shrink() { "$batch" -q -j 2 $slim -o "$out" "$photos" >/dev/null; }
job_vips() {
  # shellcheck disable=SC2086
  vipsthumbnail -s 500x -o "$out/%s.jpg[Q=80]" $first12 &
  # shellcheck disable=SC2086
  vipsthumbnail -s 500x -o "$out/%s.jpg[Q=80]" $last12
  wait
}
job_magick() {
  ls "$photos"/*.jpg | xargs -P 2 -I{} sh -c \
    '"$1" -define jpeg:size=1000x750 "$2" -resize 500x -quality 80 "$3/$(basename "$2")"' _ "$magick" {} "$out"
}
pillow() {
  /usr/bin/python3 - "$out" "$@" <<'PY'
import os, sys
from PIL import Image
out = sys.argv[1]
for path in sys.argv[2:]:
    with Image.open(path) as im:
        im.draft("RGB", (1000, 750))
        h = im.height * 500 // im.width
        im.convert("RGB").resize((500, h), Image.BILINEAR).save(
            os.path.join(out, os.path.basename(path)), quality=80)
PY
}
job_pillow() {
  # shellcheck disable=SC2086
  pillow $first12 &
  # shellcheck disable=SC2086
  pillow $last12
  wait
}
job_djpeg_full() { ls "$photos"/*.jpg | xargs -P 2 -n 1 djpeg -outfile /dev/null; }
job_djpeg_8() { ls "$photos"/*.jpg | xargs -P 2 -n 1 djpeg -scale 1/8 -outfile /dev/null; }
job_gif_gallivo() { "$batch" -q -j 2 --gif "$out/showcase.gif" "$photos" >/dev/null; }
job_gif_magick() {
  "$magick" -define jpeg:size=1000x1000 "$photos"/*.jpg -resize "${canvas}>" -background white \
    -gravity center -extent "$canvas" -delay 100 -loop 0 "$out/showcase.gif"
}

jobs="gallivo_exact gallivo_shrink vips magick pillow djpeg_full djpeg_8 gif_gallivo gif_magick"

# The showcase canvas gallivo-batch makes, for ImageMagick to make the same.
out="$work/probe"; mkdir -p "$out"
job_gif_gallivo
canvas=$(identify -format '%wx%h\n' "$out/showcase.gif" | head -n 1)

now_ms() { date +%s%N | cut -c1-13; }
i=0
while [ $i -lt "$runs" ]; do
  for j in $jobs; do
    out="$work/$j-$i"; mkdir -p "$out"
    start=$(now_ms)
    "job_$j"
    echo "$j $(( $(now_ms) - start ))" >>"$work/times"
  done
  i=$((i + 1))
done

# Peak memory of gallivo-batch per worker: the two-worker run minus the same program on one
# small picture, halved.
mkdir -p "$work/tiny" "$work/mem-base" "$work/mem-exact" "$work/mem-shrink"
convert-im6.q16 -size 64x48 gradient: "$work/tiny/tiny.jpg"
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
base=$(peak "$batch" -q -j 1 $slim -o "$work/mem-base" "$work/tiny")
exact=$(peak "$batch" -q -j 2 --exact $slim -o "$work/mem-exact" "$photos")
shrink=$(peak "$batch" -q -j 2 $slim -o "$work/mem-shrink" "$photos")

gifbytes() { stat -c %s "$work/$1-0/showcase.gif"; }
/usr/bin/python3 - "$work/times" "$runs" "$base" "$exact" "$shrink" "$(gifbytes gif_gallivo)" "$(gifbytes gif_magick)" "$canvas" <<'PY'
import statistics, sys
times = {}
for line in open(sys.argv[1]):
    name, ms = line.split()
    times.setdefault(name, []).append(int(ms))
med = {k: statistics.median(v) for k, v in times.items()}
runs = sys.argv[2]
print(f"median of {runs} runs, ms (24 photographs 4000x3000 -> 500 wide q80, two workers)")
for k in ["gallivo_exact", "gallivo_shrink", "vips", "magick", "pillow", "djpeg_full", "djpeg_8"]:
    print(f"  {k:16s} {med[k]:8.0f}")
def ratio(label, a, b, target=None):
    r = med[a] / med[b]
    t = f"   (target <= {target})" if target else ""
    print(f"{label:48s} {r:6.2f}{t}")
print("ratios")
ratio("gallivo --exact / djpeg full", "gallivo_exact", "djpeg_full", 1.25)
ratio("gallivo shrink-on-load / djpeg -scale 1/8", "gallivo_shrink", "djpeg_8", 1.15)
for peer in ["vips", "magick", "pillow"]:
    ratio(f"gallivo shrink-on-load / {peer}", "gallivo_shrink", peer, "1 (faster)")
ratio("showcase GIF: gallivo / ImageMagick", "gif_gallivo", "gif_magick", "0.33")
base, exact, shrink = (int(x) / 1024 for x in sys.argv[3:6])
print(f"{'showcase GIF bytes: gallivo vs ImageMagick':48s} {sys.argv[6]} vs {sys.argv[7]} (canvas {sys.argv[8]})")
print(f"{'peak RSS per worker, exact':48s} {(exact - base) / 2:6.1f} MiB (target <= 60; process {exact:.1f}, base {base:.1f})")
print(f"{'peak RSS per worker, shrink-on-load':48s} {(shrink - base) / 2:6.1f} MiB (target <= 26; process {shrink:.1f})")
PY
