#!/usr/bin/env bash
# Builds Dipolix and starts it; arguments are passed on to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target dipolix
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" = "" ]; then
  echo "No display found; running under a virtual X server (xvfb-run)." >&2
  exec xvfb-run -a build/app/dipolix "$@"
fi
exec build/app/dipolix "$@"
