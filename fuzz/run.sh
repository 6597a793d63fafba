#!/usr/bin/env bash
# Runs every fuzz target for a bounded time: run.sh <build folder> [seconds].
# New inputs go to <build>/work/<target>; the seeds in fuzz/corpus stay as
# they are. A crash leaves its input in <build>/crash/ and fails the run.
set -u
build=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
failed=0
mkdir -p "$build/crash"
for corpus in "$here"/corpus/*/; do
    target=$(basename "$corpus")
    mkdir -p "$build/work/$target"
    log="$build/$target.log"
    if "$build/${target}_fuzz" "$build/work/$target" "$corpus" -max_total_time="$seconds" \
        -max_len=4096 -artifact_prefix="$build/crash/$target-" >"$log" 2>&1; then
        echo "$target: clean, $(grep -a '^Done' "$log")"
    else
        echo "$target: FAILED, see $log"
        grep -a -m1 -E 'property broken|ERROR|runtime error' "$log"
        failed=1
    fi
done
exit $failed
