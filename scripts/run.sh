#!/bin/bash
# Starts LinkWatch in run/, seeding an example site list there on first use.
set -euo pipefail
build_dir=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$root/run"
if [[ ! -e "$root/run/帐号.ini" && -e "$root/examples/帐号.ini" ]]; then
    cp "$root/examples/帐号.ini" "$root/run/帐号.ini"
fi
program="$root/$build_dir/src/app/linkwatch"
if [[ ! -x "$program" ]]; then
    echo "LinkWatch's window is not built yet. What is there:"
    ls "$root/$build_dir/src"/*/ 2>/dev/null | grep -v -e CMakeFiles -e '\.cmake$' -e Makefile || true
    exit 0
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display is set. Start LinkWatch under a virtual display with: xvfb-run make run"
    echo "(xvfb-run comes with the Debian package xvfb, which make test installs)"
    exit 1
fi
cd "$root/run"
exec "$program"
