#!/bin/bash
# Installs the Debian packages LinkWatch needs, and only those that are
# missing, so a second run on a ready machine takes a moment.
#   install-deps.sh run      to build and run the program (make run, make install)
#   install-deps.sh package  and to build its Debian package (make package)
#   install-deps.sh test     and to build and run the whole test suite (make test);
#                            the default
set -euo pipefail

# The compiler and build tools, Qt, SQLite for the history, the man page
# converter; at run time the fonts for the Chinese window, OpenSSL for https,
# the certificate authorities an https web hook is checked against, and the
# services database; the libraries that read the robots' JSON answers and
# linkwatch-cli's options.
run_packages=(
    cmake ninja-build g++ make pkg-config
    qt6-base-dev libgl-dev
    scdoc
    fonts-wqy-microhei
    libssl3 ca-certificates netbase
    libsqlite3-dev nlohmann-json3-dev libcli11-dev
)
# dpkg-shlibdeps and file, which CPack's Debian generator runs.
package_packages=(
    dpkg-dev file
)
# GoogleTest and Google Benchmark, and GNU time for the peak memory a
# side-by-side benchmark reports; the virtual display and X tools the window
# tests drive; the servers the network tests start on loopback; the
# validators of the installed desktop entry and AppStream file; wrk, the
# load generator bench/cli_run_scale.sh sets linkwatch-cli's rate beside;
# chromium, the browser that renders the HTML report headless.
test_packages=(
    libgtest-dev libgmock-dev libbenchmark-dev time wrk
    xvfb xauth xdotool x11-apps
    nginx-light curl openssl
    dante-server tinyproxy microsocks
    desktop-file-utils appstream
    chromium
)

set_name=${1:-test}
case "$set_name" in
    run) packages=("${run_packages[@]}") ;;
    package) packages=("${run_packages[@]}" "${package_packages[@]}") ;;
    test) packages=("${run_packages[@]}" "${package_packages[@]}" "${test_packages[@]}") ;;
    *)
        echo "usage: install-deps.sh [run|package|test]" >&2
        exit 2
        ;;
esac

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    if [[ "$status" != "install ok installed" ]]; then
        missing+=("$package")
    fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
