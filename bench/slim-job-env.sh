# Sourced by bench/slim-job.sh and bench/peers.sh (which set $here and $build): builds
# gallivo-batch, makes the 24 benchmark photographs and gives the runner fresh settings
# folders under $work, removed at exit. Sets batch, photos, work and slim.
cmake -S "$(dirname "$here")" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGALLIVO_BENCH=ON -DGALLIVO_TESTS=OFF >/dev/null
cmake --build "$build" --target gallivo-batch zelvo >/dev/null
batch="$build/gallivo-batch"
photos="$build/bench-data/photos-24"
"$here/make-photo-set.sh" "$photos" 24

work=$(mktemp -d "${TMPDIR:-/tmp}/gallivo-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
# gallivo-batch reads and writes nothing of the user's.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
slim="--set bPhotoResize=1 --set nResizeSimpleType=1"
