#!/usr/bin/env bash
# Installs what building, running and testing Dipolix need on Debian 12, when it is missing.
set -euo pipefail
pkgs=(cmake ninja-build g++ ccache qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev libpng-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      xvfb xauth fonts-liberation2 fonts-dejavu-core clang clang-format libclang-rt-14-dev
      poppler-utils dpkg-dev file appstream desktop-file-utils
      xdotool x11-utils at-spi2-core python3-pyatspi dbus-daemon)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
