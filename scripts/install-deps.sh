#!/usr/bin/env bash
# Installs what the build, the tests and the program need; quick when all is present.
# dpkg-dev and file: the package's Depends (dpkg-shlibdeps, run by CPack on the
# program); shared-mime-info: the types the desktop entry offers; man-db: the
# package test reads the man page.
set -euo pipefail
packages=(g++ cmake ninja-build make qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          ffmpeg xvfb xauth x11-utils fonts-dejavu-core locales desktop-file-utils shared-mime-info
          dpkg-dev file man-db)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
fi
# Tests read numbers under a locale whose decimal separator is a comma.
if ! locale -a 2>/dev/null | grep -qi '^de_DE.utf8$'; then
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
