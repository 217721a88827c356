#!/usr/bin/env bash
# Runs the program under a private X server, session bus and accessibility bus, and lets
# atspi_client.py read it as a screen reader does. Everything lives in one temporary folder
# that is removed at the end; every process started here is stopped by its id.
# Usage: run_atspi.sh DIPOLIX_EXE  (exit 77: skipped, a tool is missing)
set -u
exe=$1
here=$(cd "$(dirname "$0")" && pwd)

skip() { echo "SKIPPED: $*"; exit 77; }
python=""
for p in /usr/bin/python3 python3; do
  if command -v "$p" >/dev/null && "$p" -c 'import pyatspi' 2>/dev/null; then python=$p; break; fi
done
[ -n "$python" ] || skip "python3 with pyatspi (Debian: python3-pyatspi) not found"
for tool in Xvfb xdotool xprop dbus-daemon; do
  command -v "$tool" >/dev/null || skip "$tool not found (Debian: xvfb, xdotool, x11-utils, dbus)"
done
[ -x /usr/libexec/at-spi-bus-launcher ] || skip "the accessibility bus (Debian: at-spi2-core) not found"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/dipolix-a11y.XXXXXX")
pids=()
cleanup() {
  [ -f "$tmp/buspids" ] && while read -r pid; do kill "$pid" 2>/dev/null; done <"$tmp/buspids"
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  done
  rm -rf "$tmp"
}
trap cleanup EXIT

export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/run XDG_CONFIG_HOME=$tmp/config
export XDG_CACHE_HOME=$tmp/cache XDG_DATA_HOME=$tmp/data XDG_CONFIG_DIRS=$tmp/xdg
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" \
  "$XDG_CONFIG_DIRS"
chmod 700 "$XDG_RUNTIME_DIR"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
pids+=($!)
for _ in $(seq 50); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { echo "Xvfb did not start"; cat "$tmp/xvfb.log"; exit 1; }
export DISPLAY=:$(cat "$tmp/display")

cat >"$tmp/session.conf" <<CONF
<busconfig>
  <type>session</type>
  <listen>unix:dir=$tmp/run</listen>
  <standard_session_servicedirs/>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$tmp/session.conf" --nofork --print-address=4 4>"$tmp/bus" 2>"$tmp/bus.log" &
bus=$!
pids+=($bus)
for _ in $(seq 50); do [ -s "$tmp/bus" ] && break; sleep 0.1; done
[ -s "$tmp/bus" ] || { echo "the session bus did not start"; exit 1; }
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$tmp/bus")
export DBUS_SESSION_BUS_ADDRESS

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_QPA_PLATFORM=xcb
"$exe" >"$tmp/app.log" 2>&1 &
app=$!
pids+=($app)

timeout 50 "$python" "$here/atspi_client.py" "$app" "$exe" "$tmp"
rc=$?
# What the session bus started (the accessibility bus launcher, its bus and registry).
descendants() { for c in $(ps -o pid= --ppid "$1"); do echo "$c"; descendants "$c"; done; }
descendants "$bus" >"$tmp/buspids"
[ $rc -eq 0 ] || { echo "--- program output"; cat "$tmp/app.log"; }
exit $rc
