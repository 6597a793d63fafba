#!/usr/bin/env bash
# Installs into a temporary prefix and starts the installed program: with a
# converter at the place the install rule put it, the main window comes up
# and stays; with none, the program says "Client program error! 002" and ends.
# Usage: install_test.sh <build folder> <fake converter>
set -euo pipefail
build=$1
fake=$2
prefix=$(mktemp -d /tmp/calm-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/calmora lib/calmora/calm/client.exe share/applications/calmora.desktop \
         share/icons/hicolor/scalable/apps/calmora.svg share/calmora/samples/shaky-sample.mp4 \
         share/man/man1/calmora.1.gz share/doc/calmora/copyright \
         share/bash-completion/completions/calmora; do
    [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/calmora.desktop"
"$prefix/lib/calmora/calm/client.exe" -hide_banner -filters | grep vidstabdetect >/dev/null

# The sample clip loads through the probe: the converter finds its duration.
{ "$prefix/lib/calmora/calm/client.exe" -hide_banner -i "$prefix/share/calmora/samples/shaky-sample.mp4" 2>&1 || true; } \
    | grep "Duration: 00:00:0[34]" >/dev/null

# A fake converter where the install put the real one: the window stays up.
rm "$prefix/lib/calmora/calm/client.exe"
cp "$fake" "$prefix/lib/calmora/calm/client.exe"
export QT_QPA_PLATFORM=offscreen
# The started program keeps its files here, never in the real home.
export HOME=$prefix/home XDG_CONFIG_HOME=$prefix/home/.config XDG_CACHE_HOME=$prefix/home/.cache
mkdir -p -m 0700 "$prefix/run" && export XDG_RUNTIME_DIR=$prefix/run
"$prefix/bin/calmora" >"$prefix/out.txt" 2>&1 &
pid=$!
sleep 2
kill -0 "$pid" || { echo "the installed program ended"; cat "$prefix/out.txt"; exit 1; }
kill "$pid"; wait "$pid" 2>/dev/null || true
grep -q "^arg $prefix/lib/calmora/calm/client.exe$" "$prefix/lib/calmora/calm/client.log" \
    || { echo "the converter was not started from the install"; exit 1; }

# No converter: the error is told and the window never comes.
rm "$prefix/lib/calmora/calm/client.exe"
timeout 3 "$prefix/bin/calmora" >"$prefix/out.txt" 2>&1 || true
grep -q "Client program error! 002" "$prefix/out.txt" || { cat "$prefix/out.txt"; exit 1; }
echo "install test passed"
