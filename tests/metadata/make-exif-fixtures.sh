#!/bin/sh
# Camera-like JPEG files for the EXIF tests, written by tools nobody here wrote.
# From a real photograph (Debian's mate-backgrounds), for every EXIF orientation 1..8:
#   stored-N.jpg      the picture as a camera would store it for orientation N (640x480 or 480x640)
#   mm-N.jpg          stored-N with a Motorola-order EXIF block (exiftool): orientation N, thumbnail
#   ii-N.jpg          the same in Intel order (exiv2)
#   <file>.thumb      what `exiftool -b -ThumbnailImage` extracts from <file>
#   <file>.upright-thumb  the thumbnail of `exiftran -a` applied to <file> (turned with the picture)
# plus jhead-6.jpg (EXIF made by jhead, Intel, orientation 6), noexif.jpg (no APP1 at all)
# and the file "complete" once everything is there.
# Usage: make-exif-fixtures.sh OUTDIR. Exit 127 names the Debian package of a missing tool.
set -eu
out=${1:?usage: make-exif-fixtures.sh OUTDIR}
mkdir -p "$out"
cd "$out"
rm -f complete  # written last: a folder without it is incomplete

need() {  # tool package
  command -v "$1" >/dev/null 2>&1 || { echo "missing tool $1: install the Debian package $2" >&2; exit 127; }
}
need convert imagemagick
need exiftool libimage-exiftool-perl
need exiv2 exiv2
need jhead jhead
need exiftran exiftran

src=/usr/share/backgrounds/mate/nature/LadyBird.jpg
[ -s "$src" ] || { echo "missing photograph $src: install the Debian package mate-backgrounds" >&2; exit 127; }

convert "$src" -resize '640x480^' -gravity center -extent 640x480 -strip -quality 90 photo.jpg
cp photo.jpg noexif.jpg

# ImageMagick operation that stores an upright picture the way orientation N describes it.
stored_op() {
  case $1 in
    1) echo "-rotate 0" ;; 2) echo "-flop" ;; 3) echo "-rotate 180" ;; 4) echo "-flip" ;;
    5) echo "-transpose" ;; 6) echo "-rotate 270" ;; 7) echo "-transverse" ;; 8) echo "-rotate 90" ;;
  esac
}

for n in 1 2 3 4 5 6 7 8; do
  # shellcheck disable=SC2046
  convert photo.jpg $(stored_op $n) -strip -quality 90 stored-$n.jpg
  # 4:4:4 keeps the thumbnail's sides multiples of the 8-pixel block, so exiftran turns it
  # without paring an edge.
  convert stored-$n.jpg -resize 160x160 -sampling-factor 1x1 -strip -quality 85 thumb-$n.jpg

  cp stored-$n.jpg mm-$n.jpg
  exiftool -q -overwrite_original -ExifByteOrder=Big-endian -Orientation#=$n \
    -Make=Gallivo -Model=Fixture "-ThumbnailImage<=thumb-$n.jpg" mm-$n.jpg

  cp stored-$n.jpg ii-$n.jpg
  cp thumb-$n.jpg ii-$n-thumb.jpg
  exiv2 -q -M"set Exif.Image.Orientation Short $n" -M"set Exif.Photo.UserComment charset=Ascii fixture" mo ii-$n.jpg
  exiv2 -q -it ii-$n.jpg
  rm -f ii-$n-thumb.jpg
done

cp stored-6.jpg jhead-6.jpg
jhead -q -mkexif jhead-6.jpg >/dev/null
jhead -q -rt thumb-6.jpg jhead-6.jpg >/dev/null
exiftool -q -overwrite_original -Orientation#=6 jhead-6.jpg

for f in mm-*.jpg ii-*.jpg jhead-6.jpg; do
  exiftool -b -ThumbnailImage "$f" > "$f.thumb"
  exiftran -a -o "$f.upright.jpg" "$f" 2>/dev/null
  exiftool -b -ThumbnailImage "$f.upright.jpg" > "$f.upright-thumb"
  rm -f "$f.upright.jpg"
  [ -s "$f.thumb" ] && [ -s "$f.upright-thumb" ] || { echo "no thumbnail in $f" >&2; exit 1; }
done
touch complete
