#!/usr/bin/env bash
# Installs every Debian package Gallivo needs to build, run, test and benchmark.
# Idempotent: prints nothing and touches nothing when all packages are present.
#   tools/install-deps.sh          build, run and test
#   tools/install-deps.sh bench    the same plus the benchmark pictures (bench_packages)
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build ccache pkg-config
  # libraries
  qt6-base-dev libqt6opengl6-dev libgl-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libtiff-dev libmng-dev
  libopenjp2-7-dev libraw-dev libwmf-dev libcurl4-openssl-dev
  # fonts for the Chinese interface and the default watermark font
  fonts-wqy-zenhei
  # TIFF (and other) watermark pictures through Qt's image reader
  qt6-image-formats-plugins
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  # real photographs for the program tests and screenshots
  mate-backgrounds
  # outside judges used by the tests
  imagemagick libjpeg-turbo-progs pngcheck netpbm libopenjp2-tools
  giflib-tools python3-pil libxml2-utils xvfb xauth
  # real photographs for the batch end-to-end tests and the slim job benchmark
  mate-backgrounds
  # EXIF writers and judges for the metadata tests (their photograph: mate-backgrounds)
  libimage-exiftool-perl exiv2 jhead exiftran
  # the peer benchmark bench/peers.sh (vipsthumbnail, peak memory through /usr/bin/time)
  libvips-tools time
  # formatting (.clang-format)
  clang-format
)
# Photographs only the benchmark scripts in bench/ work on (Debian wallpapers); the tests'
# photographs, mate-backgrounds, are in the list above.
bench_packages=(gnome-backgrounds)
[ "${1:-}" = bench ] && packages+=("${bench_packages[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: run as root (missing: ${missing[*]})" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >/dev/null
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
