#!/bin/sh
# Picture list benchmarks in one go: thumbnails per second (camera JPEGs with and without an
# embedded EXIF thumbnail, 4000 x 3000) against vipsthumbnail, a folder of 20,000 files, and
# the resident memory with 20,000 items. Usage: bench/picturelist.sh [build folder]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}
for tool in vipsthumbnail:libvips-tools exiftool:libimage-exiftool-perl convert:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || { echo "missing ${tool%%:*}: install ${tool#*:}" >&2; exit 1; }
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGALLIVO_BENCH=ON -DGALLIVO_TESTS=OFF >/dev/null
cmake --build "$build" --target picturelist_timing zelvo
data="$build/bench-data"
photo="$data/photo-4000x3000.jpg"
"$here/make-photo.sh" "$photo"

# The camera file: the photograph with a 160 x 120 EXIF thumbnail of itself; the plain one has
# no EXIF block at all.
plain="$data/camera-plain.jpg"
exif="$data/camera-exif.jpg"
if [ ! -s "$exif" ]; then
  convert "$photo" -strip "$plain"
  convert "$photo" -strip -resize 160x120 -quality 90 "$data/thumb-160.jpg"
  cp "$plain" "$exif.tmp"
  exiftool -q -overwrite_original -Make=Bench -Model=Camera -Orientation#=1 \
    "-ThumbnailImage<=$data/thumb-160.jpg" "$exif.tmp"
  mv "$exif.tmp" "$exif"
fi

"$build/picturelist_timing" thumbs "$exif" "$plain" 200
"$build/picturelist_timing" folder 20000
"$build/picturelist_timing" memory "$exif" 20000
