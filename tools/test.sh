#!/usr/bin/env bash
# Installs the packages, configures, builds and runs every test.
#   tools/test.sh          the normal build (build/)
#   tools/test.sh asan     Debug with AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
bash tools/install-deps.sh
# Quiet when all is well; a configure error shows the whole output.
if ! log=$(cmake --preset "$preset" 2>&1); then
  printf '%s\n' "$log" >&2
  echo "test.sh: configuring preset $preset failed" >&2
  exit 1
fi
dir=build$( [ "$preset" = default ] || echo "-$preset")
cmake --build "$dir" -j2
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
ctest --test-dir "$dir" --output-on-failure -j2
