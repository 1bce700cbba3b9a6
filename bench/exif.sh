#!/bin/sh
# Embedded EXIF thumbnail against a reduced decode, on a 12-megapixel camera JPEG, in one run.
# The camera file is bench/make-photo.sh's 4000 x 3000 photograph with an EXIF block written by
# exiftool (orientation 6, a 160 x 120 thumbnail). Usage: bench/exif.sh [build folder].
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGALLIVO_BENCH=ON -DGALLIVO_TESTS=OFF >/dev/null
cmake --build "$build" --target exif_bench zelvo
data="$build/bench-data"
photo="$data/photo-4000x3000.jpg"
camera="$data/camera-4000x3000.jpg"
"$here/make-photo.sh" "$photo"
if [ ! -s "$camera" ]; then
  command -v exiftool >/dev/null || { echo "exiftool missing: install libimage-exiftool-perl" >&2; exit 1; }
  convert "$photo" -resize 160x120 -strip -quality 80 "$data/camera-thumb.jpg"
  cp "$photo" "$camera.tmp.jpg"
  exiftool -q -overwrite_original -Make=Gallivo -Model=Bench -Orientation#=6 \
    "-ThumbnailImage<=$data/camera-thumb.jpg" "$camera.tmp.jpg"
  mv "$camera.tmp.jpg" "$camera"
fi

json="$data/exif_bench.json"
GALLIVO_BENCH_CAMERA="$camera" GALLIVO_BENCH_ENGINE_DIR="$build" "$build/exif_bench" \
  --benchmark_out="$json" --benchmark_out_format=json \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

python3 - "$json" "$camera" <<'PY'
import json, os, sys
runs = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name") != "median" or b.get("error_occurred"):
        continue
    unit = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b["time_unit"]]
    runs[b["run_name"]] = (b["real_time"] * unit, b["cpu_time"] * unit)
print(f"camera file: {os.path.getsize(sys.argv[2])} bytes (medians of 5 repetitions)")
for name in ("BM_ReadExifThumbnail", "BM_HintLoad", "BM_EmbeddedDecodeUpright"):
    real, cpu = runs.get(name, (float("nan"), float("nan")))
    print(f"{name:28s} {real:10.1f} us wall {cpu:10.1f} us CPU")
if "BM_ReadExifThumbnail" in runs and "BM_HintLoad" in runs:
    for i, kind in enumerate(("wall", "CPU")):
        r = runs["BM_ReadExifThumbnail"][i] / runs["BM_HintLoad"][i]
        print(f"ReadExifThumbnail / (hint 115x115 + Load), {kind}: {r:.4f}  (target <= 0.1)")
PY
