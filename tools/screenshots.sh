#!/usr/bin/env bash
# Writes the README's screenshots into docs/screenshots: Gallivo under Xvfb with a few real
# photographs (Debian package mate-backgrounds) in the list. Needs the build folder (tools/run.sh
# or cmake --build build) and xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
photos=(/usr/share/backgrounds/mate/nature/{FreshFlower,GreenMeadow,Garden,LadyBird,Aqua}.jpg)
for p in "${photos[@]}"; do
  [ -f "$p" ] || { echo "screenshots: $p missing: install the Debian package mate-backgrounds" >&2; exit 1; }
done
command -v xvfb-run >/dev/null || { echo "screenshots: xvfb-run missing: install the Debian package xvfb" >&2; exit 1; }
cmake --preset default >/dev/null
cmake --build build -j2 --target gallivo_screenshots zelvo gallivo_data
# A home of its own: the user's settings and folders stay untouched.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for v in XDG_DATA_HOME XDG_CONFIG_HOME XDG_CACHE_HOME XDG_RUNTIME_DIR; do
  mkdir -p "$scratch/$v"; chmod 700 "$scratch/$v"; export "$v=$scratch/$v"
done
export XDG_CONFIG_DIRS="$scratch/etc" TMPDIR="$scratch" GALLIVO_PROGRAM_DIR="$PWD/build"
mkdir -p docs/screenshots "$scratch/export"
xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96" \
  build/app/gallivo_screenshots docs/screenshots "$scratch/export" "${photos[@]}"
