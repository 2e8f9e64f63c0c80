#!/usr/bin/env bash
# Installs the Debian 12 packages kivzo builds, tests and runs with (only the
# ones that are missing). Uses sudo when not run as root.
set -euo pipefail
packages=(
  g++ cmake ninja-build pkg-config git
  libsdl2-dev libfreetype-dev libfontconfig-dev libvorbis-dev zlib1g-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-ipafont-gothic fonts-ipafont-mincho
  xvfb xdotool x11-apps
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
