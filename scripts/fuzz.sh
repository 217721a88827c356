#!/usr/bin/env bash
# Builds the fuzz harnesses with clang and runs each for the given seconds (default 20)
# on a copy of its seed corpus (fuzz/corpus/<harness>). Any crash fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-20}"
[ "$secs" -gt 0 ] || exit 0
ls fuzz/fuzz_*.cpp >/dev/null 2>&1 || { echo "no fuzz harnesses yet"; exit 0; }
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDIPOLIX_FUZZ=ON -DDIPOLIX_TESTS=OFF -DDIPOLIX_BENCH=OFF >/dev/null
targets=()
for f in fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
cmake --build build-fuzz -j2 --target "${targets[@]}"
for t in "${targets[@]}"; do
  work="build-fuzz/corpus-$t"
  mkdir -p "$work"
  [ -d "fuzz/corpus/$t" ] && cp -n fuzz/corpus/"$t"/* "$work"/ 2>/dev/null || true
  echo "fuzzing $t for ${secs}s"
  log="build-fuzz/$t.log"
  rc=0
  QT_QPA_PLATFORM=offscreen "build-fuzz/fuzz/$t" -max_total_time="$secs" -timeout=10 \
    -print_final_stats=1 "$work" >"$log" 2>&1 || rc=$?
  grep -E 'stat::number_of_executed_units|^Done|ERROR|SUMMARY' "$log" || true
  if [ "$rc" -ne 0 ]; then tail -n 60 "$log"; exit "$rc"; fi
done
