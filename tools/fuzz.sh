#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz, build-fuzz/) and runs every target for a while,
# two at a time, then prints per target the coverage reached and the crashes found. Rerun
# it whenever a decoder or parser changes.
#   tools/fuzz.sh [seconds per target, default 60] [target names, default all]
#   e.g. tools/fuzz.sh 300 jpg png
# New inputs go to build-fuzz/fuzz-corpus/<name> (the seeds in tests/fuzz/corpus/<name> are
# only read); crashing inputs and logs go to build-fuzz/fuzz-runs/<name>/. Add every crash
# input to tests/fuzz/corpus/<name> once it is fixed. Exit status 1 when a target crashed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
[ $# -gt 0 ] && shift
case $seconds in '' | *[!0-9]*) echo "fuzz.sh: seconds must be a number" >&2; exit 2 ;; esac

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for src in tests/fuzz/fuzz_*.cpp; do
    name=${src#tests/fuzz/fuzz_}
    targets+=("${name%.cpp}")
  done
fi

build=build-fuzz
# FUZZ_SKIP_BUILD=1 runs the fuzzers as they are built. Otherwise configure (quiet when all
# is well, the whole output on an error) and build them.
if [ -z "${FUZZ_SKIP_BUILD:-}" ]; then
  if ! log=$(cmake --preset fuzz 2>&1); then
    printf '%s\n' "$log" >&2
    echo "fuzz.sh: configuring preset fuzz failed" >&2
    exit 1
  fi
  programs=()
  for t in "${targets[@]}"; do programs+=("fuzz_$t"); done
  cmake --build "$build" -j2 --target "${programs[@]}"
fi

runs=$root/$build/fuzz-runs
mkdir -p "$runs"

# One target: fork mode keeps going after a crash, so that the count is complete.
run_one() {
  local name=$1 dir=$runs/$1
  rm -rf "$dir"
  mkdir -p "$dir" "$root/$build/fuzz-corpus/$name"
  (cd "$dir" && "$root/$build/tests/fuzz/fuzz_$name" "$root/$build/fuzz-corpus/$name" \
    "$root/tests/fuzz/corpus/$name" -fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1 \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -artifact_prefix="$dir/" \
    >"$dir/log.txt" 2>&1) || true
  echo "  done: $name"
}
export -f run_one
export root build runs seconds

echo "fuzzing ${#targets[@]} targets for ${seconds} s each, two at a time"
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_one {}'

# The last status line of fork mode reads "#<runs>: cov: C ft: F corp: N ... oom/timeout/crash: a/b/c".
printf '\n%-12s %8s %8s %8s %6s %8s %6s\n' target cov ft corpus ooms timeouts crash
failed=0
for t in "${targets[@]}"; do
  dir=$runs/$t
  line=$(grep -E '^#[0-9]+: cov: ' "$dir/log.txt" | tail -n 1 || true)
  cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$line")
  ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$line")
  corp=$(sed -nE 's/.* corp: ([0-9]+).*/\1/p' <<<"$line")
  counts=$(sed -nE 's#.* oom/timeout/crash: ([0-9]+/[0-9]+/[0-9]+).*#\1#p' <<<"$line")
  IFS=/ read -r ooms timeouts crashes <<<"${counts:-0/0/0}"
  # Saved inputs count too: a crash between two status lines is only in the folder.
  files=$(find "$dir" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' \) | wc -l)
  [ "$files" -gt "$crashes" ] && crashes=$files
  [ -z "$line" ] && { cov='?'; ft='?'; corp='?'; crashes="${crashes} (no status: see $dir/log.txt)"; }
  printf '%-12s %8s %8s %8s %6s %8s %6s\n' "$t" "$cov" "$ft" "$corp" "$ooms" "$timeouts" "$crashes"
  if [ "${crashes%% *}" != 0 ] || [ "$ooms" != 0 ] || [ "$timeouts" != 0 ] || [ -z "$line" ]; then
    failed=1
  fi
done
[ $failed -eq 0 ] || echo "fuzz.sh: findings are in $runs/<target>/ (crash-*, oom-*, timeout-*, log.txt)" >&2
exit $failed
