#!/usr/bin/env bash
# Screenshots of the real program for the README, taken under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target calm_screenshots sample_clip
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb \
    "$build/tests/calm_screenshots" "$build/share/calmora/samples/shaky-sample.mp4" docs
