#!/bin/sh
# Runs a test program from a copy of it in a fresh temporary folder, removed afterwards. The
# program under test reads its language file and icon beside itself, so a test that writes
# them writes only into that folder, never into the build tree.
set -eu
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT INT TERM
cp "$1" "$dir/"
program="$dir/$(basename "$1")"
shift
"$program" "$@"
