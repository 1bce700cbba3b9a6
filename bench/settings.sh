#!/bin/sh
# Times the settings views on the benchmark photograph: the preview after a setting change
# and the user interface stall while the size estimate for width 3000 is computed.
# Usage: bench/settings.sh [build folder] (default build-bench).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGALLIVO_BENCH=ON -DGALLIVO_TESTS=OFF >/dev/null
cmake --build "$build" --target settings_timing zelvo gallivo_data
photo="$build/bench-data/photo-4000x3000.jpg"
"$here/make-photo.sh" "$photo"
GALLIVO_PROGRAM_DIR="$build" "$build/settings_timing" "$photo" "${RUNS:-9}"
