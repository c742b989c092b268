#!/bin/bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS seconds,
# starting from its seed corpus in fuzz/corpus/<name>. New inputs go to
# fuzz-out/<name>; crashes are left there as crash-* files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLINKWATCH_FUZZ=ON -DLINKWATCH_SANITIZE=address,undefined >/dev/null
targets=()
for source in "$root"/fuzz/*_fuzz.cpp; do
    targets+=(--target "$(basename "$source" .cpp)")
done
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
status=0
for program in "$build"/fuzz/*_fuzz; do
    name=$(basename "$program" _fuzz)
    out="$root/fuzz-out/$name"
    mkdir -p "$out"
    echo "== fuzzing $name for $seconds s"
    (cd "$out" && "$program" -max_total_time="$seconds" -print_final_stats=1 "$out" "$root/fuzz/corpus/$name") || status=1
done
exit $status
