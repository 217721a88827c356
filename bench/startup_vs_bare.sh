#!/bin/sh
# Start-up to the first painted frame, whole process: the program's --screenshot beside a bare
# Qt Widgets program that shows one label, timed alternately (15 runs each); prints the medians
# and the ratio. Everything it builds or writes stays in its own temporary folder.
#
# Both run on the offscreen platform at scale 1 (the program forces both for its figures; the
# bare one gets them here), both grab their painted window and write it as a PNG file. The
# pictures differ in size as the programs do: the label is 31 x 14 pixels, the window 752 x 460,
# and encoding the larger picture is part of the program's time.
#
# `startup_vs_bare.sh 15 steps` also times, in the same alternation, where the time goes: the
# bare program with its application object only (argument "-"), and the program stopped after
# its libraries and static set-up (--version), after its application object (--report -) and
# after its window is built, translated, computed and painted (--export-csv).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
app="$root/build/app/dipolix"
[ -x "$app" ] || { echo "build $app first" >&2; exit 1; }
runs=${1:-15}
steps=${2:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
export QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1
unset QT_SCREEN_SCALE_FACTORS
# The program's server link and single-instance files go below the runtime folder: a private one.
export XDG_RUNTIME_DIR="$tmp/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$root/build/CMakeCache.txt" 2>/dev/null)

cat > "$tmp/bare.cpp" <<'CPP'
#include <QApplication>
#include <QLabel>
#include <QTimer>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  if (argc < 2 || argv[1][0] == '-')
    return 0; // the application object only
  QLabel label(QStringLiteral("Hello"));
  label.show();
  // Grab the painted label, as the program's screenshot does, then leave.
  QTimer::singleShot(0, &app, [&] {
    label.grab().save(QString::fromLocal8Bit(argv[1]));
    app.quit();
  });
  return app.exec();
}
CPP
# shellcheck disable=SC2046
g++ -O2 -fPIC -std=c++20 "$tmp/bare.cpp" -o "$tmp/bare" $(pkg-config --cflags --libs Qt6Widgets)

now_ns() { date +%s%N; }
time_one() { # prints elapsed microseconds of the command
  t0=$(now_ns); "$@" > /dev/null 2>&1; t1=$(now_ns); echo $(((t1 - t0) / 1000))
}
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
step() { # label, file of microseconds
  awk -v l="$1" -v m="$(median < "$2")" 'BEGIN { printf "  %-52s %6.1f ms\n", l, m / 1000 }'
}

"$tmp/bare" "$tmp/b.png"; "$app" --screenshot "$tmp/s.png" # warm the file cache
: > "$tmp/bare.txt"; : > "$tmp/app.txt"
i=0
while [ "$i" -lt "$runs" ]; do
  time_one "$tmp/bare" "$tmp/b.png" >> "$tmp/bare.txt"
  time_one "$app" --screenshot "$tmp/s.png" >> "$tmp/app.txt"
  if [ -n "$steps" ]; then
    time_one "$tmp/bare" - >> "$tmp/bare0.txt"
    time_one "$app" --version >> "$tmp/app1.txt"
    time_one "$app" --report - >> "$tmp/app2.txt"
    time_one "$app" --export-csv "$tmp/p.csv" >> "$tmp/app3.txt"
  fi
  i=$((i + 1))
done
bare=$(median < "$tmp/bare.txt")
ours=$(median < "$tmp/app.txt")
echo "dipolix built as ${build_type:-unknown} (build/CMakeCache.txt)"
echo "bare Qt label, median of $runs: $((bare / 1000)) ms"
echo "dipolix --screenshot, median of $runs: $((ours / 1000)) ms"
awk -v o="$ours" -v b="$bare" 'BEGIN { printf "ratio: %.2f x\n", o / b }'
if [ -n "$steps" ]; then
  echo "steps, median of $runs:"
  step "bare: application object only" "$tmp/bare0.txt"
  step "bare: label shown, grabbed, written" "$tmp/bare.txt"
  step "dipolix --version: libraries, static set-up" "$tmp/app1.txt"
  step "dipolix --report -: and the application object" "$tmp/app2.txt"
  step "dipolix --export-csv: and the window, shown" "$tmp/app3.txt"
  step "dipolix --screenshot: and the grab, the PNG file" "$tmp/app.txt"
fi
