#!/usr/bin/env bash
# Mutation testing: applies one mutant at a time to each given source file, rebuilds only the
# test programs that use it and reports killed/survived/timeout/build-failed per file.
# Slow (one rebuild per mutant), so it is not part of scripts/test.sh or CI.
#   scripts/mutants.sh [options] file...      options go to scripts/mutants.py (see --help)
#   scripts/mutants.sh --all                  every file with default targets, 60 mutants each
set -euo pipefail
cd "$(dirname "$0")/.."
# A snapshot given with --root gets its own build folder inside it: a build of the working tree
# would never see the snapshot's mutants, and every one would count as survived.
root=.
prev=
for a in "$@"; do
  [[ "$prev" == --root ]] && root="$a"
  prev="$a"
done
build="${MUTANTS_BUILD_DIR:-$root/build-mut}"
if [[ ! -f "$build/build.ninja" ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDIPOLIX_WERROR=ON \
    >/dev/null
fi
export QT_QPA_PLATFORM=offscreen
opts=() files=()
for a in "$@"; do
  case "$a" in
    --all) files+=(components/polchart_{mapping,grid,paint,overlay,mouse}.cpp
                   components/numlab_format.cpp app/Pattern.cpp serverlink/message_stream.cpp
                   translation/glossan_table.cpp) ;;
    *.cpp) files+=("$a") ;;
    *) opts+=("$a") ;;
  esac
done
[[ ${#files[@]} -gt 0 ]] || { python3 scripts/mutants.py --help; exit 2; }
for f in "${files[@]}"; do
  python3 scripts/mutants.py --build-dir "$build" "${opts[@]}" "$f"
done
