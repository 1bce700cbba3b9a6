#!/bin/sh
# The slim job: gallivo-batch shrinking the 24 photographs of the benchmark set (4000 x 3000,
# JPEG q92, 4:2:0) to 500 wide at q80 with two workers, against djpeg decoding the same files
# two at a time. The two take turns; each figure is the median of the runs. Prints both
# times, their ratio, and gallivo-batch's peak memory per worker.
# Usage: bench/slim-job.sh [build folder] [runs]   (default build-bench, 3 runs)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}
runs=${2:-3}

command -v djpeg >/dev/null || { echo "slim-job.sh: djpeg missing, install libjpeg-turbo-progs" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "slim-job.sh: /usr/bin/time missing, install time" >&2; exit 1; }

. "$here/slim-job-env.sh"
# The full-size decode path too, when the runner has it (--exact turns shrink-on-load off).
exact=no
"$batch" --help | grep -q -- --exact && exact=yes

now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Peak resident memory (KiB) of one gallivo-batch run.
peak() {  # peak WORKERS INPUT...
  j=$1
  shift
  rm -rf "$work/peak" && mkdir "$work/peak"
  /usr/bin/time -f %M -o "$work/rss" "$batch" -q -j "$j" $mode $slim -o "$work/peak" "$@" >/dev/null
  cat "$work/rss"
}

: >"$work/batch.ms"
: >"$work/exact.ms"
: >"$work/djpeg.ms"
i=0
while [ $i -lt "$runs" ]; do
  rm -rf "$work/out" && mkdir "$work/out"
  t0=$(now)
  "$batch" -q -j 2 $slim -o "$work/out" "$photos" >/dev/null
  t1=$(now)
  ms "$t0" "$t1" >>"$work/batch.ms"
  [ "$(ls "$work/out" | wc -l)" -eq 24 ] || { echo "slim-job.sh: gallivo-batch wrote $(ls "$work/out" | wc -l) of 24" >&2; exit 1; }

  if [ $exact = yes ]; then
    rm -rf "$work/out" && mkdir "$work/out"
    t0=$(now)
    "$batch" -q -j 2 --exact $slim -o "$work/out" "$photos" >/dev/null
    t1=$(now)
    ms "$t0" "$t1" >>"$work/exact.ms"
  fi

  t0=$(now)
  ls "$photos"/*.jpg | xargs -P 2 -I{} djpeg -outfile /dev/null {}
  t1=$(now)
  ms "$t0" "$t1" >>"$work/djpeg.ms"
  i=$((i + 1))
done

b=$(median <"$work/batch.ms")
d=$(median <"$work/djpeg.ms")
# Per worker: what two workers add over a run that decodes one small picture.
magick=$(command -v convert-im6.q16 || command -v convert)
"$magick" -size 64x48 gradient: "$work/small.jpg"
memory() {  # memory LABEL
  base=$(peak 1 "$work/small.jpg")
  two=$(peak 2 "$photos")
  one=$(peak 1 "$photos")
  awk -v l="$1" -v base="$base" -v one="$one" -v two="$two" 'BEGIN {
    printf "%s peak memory: base %.1f MiB, -j 1 %.1f MiB, -j 2 %.1f MiB, per worker ((-j 2 - base) / 2) %.1f MiB\n",
      l, base / 1024, one / 1024, two / 1024, (two - base) / 2048 }'
}
echo "gallivo-batch -j 2, 24 photos 4000x3000 -> 500 wide q80: $b ms (median of $runs)"
echo "djpeg, same files, two at a time:                        $d ms (median of $runs)"
awk -v b="$b" -v d="$d" 'BEGIN { printf "ratio gallivo-batch / djpeg:                             %.2f\n", b / d }'
mode=
memory "gallivo-batch"
if [ $exact = yes ]; then
  e=$(median <"$work/exact.ms")
  echo "gallivo-batch --exact -j 2:                              $e ms (median of $runs)"
  awk -v e="$e" -v d="$d" 'BEGIN { printf "ratio gallivo-batch --exact / djpeg:                     %.2f\n", e / d }'
  mode=--exact
  memory "gallivo-batch --exact"
fi
