#!/bin/sh
# Times our full update of the largest pattern beside matplotlib's full redraw and blitting
# path of the same plot, in one run, and prints the ratios.
# Needs: a build in build/ and Debian's python3-matplotlib (apt-get install -y python3-matplotlib).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bench="$root/build/bench/dipolix_bench"
[ -x "$bench" ] || { echo "build $bench first" >&2; exit 1; }

ours=$(QT_QPA_PLATFORM=offscreen "$bench" --benchmark_filter='BM_FullUpdate/10000$' \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null |
  awk -F, '/_median"?,/ { printf "%.0f %.0f\n", $3, $4 }')
real_us=${ours% *}
cpu_us=${ours#* }
peer=$(/usr/bin/python3 "$root/bench/matplotlib_peer.py")
full_us=$(echo "$peer" | awk '/full_redraw/ { print $2 }')
blit_us=$(echo "$peer" | awk '/blit/ { print $2 }')

echo "BM_FullUpdate/10000 median: real $real_us us, CPU $cpu_us us"
echo "matplotlib full redraw median: $full_us us"
echo "matplotlib blitting median: $blit_us us"
awk -v o="$real_us" -v f="$full_us" -v b="$blit_us" 'BEGIN {
  printf "full redraw / ours (real): %.1f x\n", f / o
  printf "blitting / ours (real): %.2f x\n", b / o }'
