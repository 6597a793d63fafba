#!/usr/bin/env bash
# Installs what the build, the tests and the program need; quick when all is present.
set -euo pipefail
packages=(g++ cmake ninja-build make qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          ffmpeg xvfb xauth fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
