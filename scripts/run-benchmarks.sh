#!/bin/bash
# Runs every benchmark program of a build folder, one after another, then
# every side-by-side script under bench/ against that build folder.
set -euo pipefail
build_dir=${1:-build}
bench_sources=$(dirname "$0")/../bench
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
for script in "$bench_sources"/*.sh; do
    echo "== $(basename "$script")"
    bash "$script" "$build_dir"
done
