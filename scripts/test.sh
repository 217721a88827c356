#!/usr/bin/env bash
# Checks the sources' format, builds everything with warnings as errors and runs every test,
# then a short run of each fuzz harness. FUZZ_SECONDS (default 20) sets the length of each
# fuzz run; 0 skips them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# Every C++ source keeps the format of .clang-format; `clang-format -i FILE` fixes a file.
find app components platform serverlink translation tools tests bench fuzz \
  \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run -Werror
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDIPOLIX_WERROR=ON >/dev/null
cmake --build build -j2
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2
scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
