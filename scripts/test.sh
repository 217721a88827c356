#!/usr/bin/env bash
# Builds everything with warnings as errors and runs every test, then a short run of each
# fuzz harness. FUZZ_SECONDS (default 20) sets the length of each fuzz run; 0 skips them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDIPOLIX_WERROR=ON >/dev/null
cmake --build build -j2
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
