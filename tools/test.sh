#!/usr/bin/env bash
# Installs the packages, configures, builds and runs every test.
#   tools/test.sh          the normal build (build/)
#   tools/test.sh asan     Debug with AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-default}
bash tools/install-deps.sh
cmake --preset "$preset" >/dev/null
dir=build$( [ "$preset" = default ] || echo "-$preset")
cmake --build "$dir" -j2
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
ctest --test-dir "$dir" --output-on-failure -j2
