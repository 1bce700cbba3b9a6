#!/usr/bin/env bash
# Installs the packages, builds the program and starts Gallivo from the build folder (a
# runnable installation). Arguments are passed on to Gallivo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build build -j2 --target Gallivo ZlvUp zelvo gallivo_data gallivo_icons
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: no display (DISPLAY or WAYLAND_DISPLAY); start it from a desktop session," \
       "or under xvfb-run to try it without one" >&2
  exit 1
fi
exec build/Gallivo "$@"
