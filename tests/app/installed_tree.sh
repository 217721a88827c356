#!/usr/bin/env bash
# Installs the build into a temporary folder, moves the tree, and runs the program from it:
# files where a Linux system expects them, the language found by the locale.
set -euo pipefail
build="$1"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/first" >/dev/null
mv "$tmp/first" "$tmp/moved" # found from the program's folder, not from the prefix
root="$tmp/moved"
for f in bin/dipolix share/dipolix/english.itl share/dipolix/german.itl share/dipolix/dipolix.png \
         share/applications/dipolix.desktop share/metainfo/example.dipolix.Dipolix.metainfo.xml \
         share/icons/hicolor/48x48/apps/dipolix.png share/dipolix/screenshots/window.png; do
  [ -f "$root/$f" ] || { echo "missing: $f"; exit 1; }
done
[ ! -e "$root/bin/dipolix.itl" ] || { echo "language file still in bin/"; exit 1; }
"$root/bin/dipolix" --version | grep -q '^dipolix 1.0'
for lang in de_DE.UTF-8:Beenden C:Exit; do
  LC_ALL= LC_MESSAGES= LANG="${lang%%:*}" "$root/bin/dipolix" --screenshot "$tmp/w.pdf" 2>/dev/null
  pdftotext "$tmp/w.pdf" - | grep -q "${lang##*:}" || { echo "no ${lang##*:} for ${lang%%:*}"; exit 1; }
done
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/share/metainfo/example.dipolix.Dipolix.metainfo.xml" >/dev/null
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/share/applications/dipolix.desktop"
fi
echo "installed tree ok"
