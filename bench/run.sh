#!/usr/bin/env bash
# Runs every benchmark of a build folder and prints its figures. A failing
# benchmark is reported and the others still run; the status says whether any failed.
set -uo pipefail
build=${1:-build}
failed=()
for b in "$build"/bench/bench_*; do
    # Only programs: CMake leaves folders such as bench_app_autogen beside them.
    [ -f "$b" ] && [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    if ! "$b"; then
        echo "!! $(basename "$b") failed" >&2
        failed+=("$(basename "$b")")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "failed: ${failed[*]}" >&2
    exit 1
fi
