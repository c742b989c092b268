#!/bin/bash
# Runs every benchmark program of a build folder, one after another.
set -euo pipefail
build_dir=${1:-build}
found=0
for program in "$build_dir"/bench/*_bench; do
    [[ -x "$program" ]] || continue
    found=1
    echo "== $(basename "$program")"
    "$program"
done
if [[ $found -eq 0 ]]; then
    echo "no benchmarks built in $build_dir/bench"
fi
