#!/bin/sh
# Start-up to the first painted frame, whole process: the program's --screenshot beside a bare
# Qt Widgets program that shows one label, timed alternately (15 runs each); prints the medians
# and the ratio. Everything it builds or writes stays in its own temporary folder.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
app="$root/build/app/dipolix"
[ -x "$app" ] || { echo "build $app first" >&2; exit 1; }
runs=${1:-15}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
export QT_QPA_PLATFORM=offscreen

cat > "$tmp/bare.cpp" <<'CPP'
#include <QApplication>
#include <QLabel>
#include <QTimer>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
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

"$tmp/bare" "$tmp/b.png"; "$app" --screenshot "$tmp/s.png" # warm the file cache
: > "$tmp/bare.txt"; : > "$tmp/app.txt"
i=0
while [ "$i" -lt "$runs" ]; do
  time_one "$tmp/bare" "$tmp/b.png" >> "$tmp/bare.txt"
  time_one "$app" --screenshot "$tmp/s.png" >> "$tmp/app.txt"
  i=$((i + 1))
done
bare=$(median < "$tmp/bare.txt")
ours=$(median < "$tmp/app.txt")
echo "bare Qt label, median of $runs: $((bare / 1000)) ms"
echo "dipolix --screenshot, median of $runs: $((ours / 1000)) ms"
awk -v o="$ours" -v b="$bare" 'BEGIN { printf "ratio: %.2f x\n", o / b }'
