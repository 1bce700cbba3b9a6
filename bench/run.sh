#!/bin/sh
# Runs the engine benchmarks in one go and prints each measurement as a ratio against its
# reference from the same run. Usage: bench/run.sh [build folder] (default build-bench).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGALLIVO_BENCH=ON -DGALLIVO_TESTS=OFF >/dev/null
cmake --build "$build" --target engine_bench
photo="$build/bench-data/photo-4000x3000.jpg"
"$here/make-photo.sh" "$photo"

json="$build/bench-data/engine_bench.json"
GALLIVO_BENCH_PHOTO="$photo" "$build/engine_bench" --benchmark_out="$json" --benchmark_out_format=json \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

python3 - "$json" <<'PY'
import json, sys
runs = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("aggregate_name", "median") != "median" or b.get("error_occurred"):
        continue
    name = b["run_name"]
    unit = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    runs[name] = (b["real_time"] * unit, b)
def ms(name):
    return runs[name][0] if name in runs else None
def ratio(label, a, b):
    x, y = ms(a), ms(b)
    if x is None or y is None:
        print(f"{label:44s} not measured")
    else:
        print(f"{label:44s} {x:9.2f} ms vs {y:9.2f} ms  ratio {x / y:6.2f}")
ratio("Load (full decode) vs djpeg", "BM_Load", "BM_DjpegFull")
ratio("hint 115x115 + Load vs djpeg -scale 1/8", "BM_LoadThumbnailHint", "BM_DjpegScale8")
ratio("hint for 1/4 + Load vs djpeg -scale 1/4", "BM_LoadQuarterScale", "BM_DjpegScale4")
ratio("LoadInfo vs full decode", "BM_LoadInfo", "BM_Load")
ratio("ResampleInterpolated 500x375 vs full decode", "BM_Resample500", "BM_Load")
ratio("RotateRight vs full decode", "BM_RotateRight", "BM_Load")
peak = runs.get("BM_PeakMemoryLoadResampleSave/iterations:3")
if peak:
    print(f"{'peak memory load+resample+save':44s} {peak[1]['peak_MB']:9.1f} MB vs {peak[1]['target_MB']:.0f} MB")
else:
    print("peak memory load+resample+save               not measured")
PY
