#!/bin/bash
# check_debian_package.sh BUILD_DIR VERSION
# Builds the Debian package from BUILD_DIR with CPack and checks what it holds
# (dpkg-deb -c) and what it declares: its version, and dependencies that
# include Qt (found by dpkg-shlibdeps) and OpenSSL (loaded at run time).
set -euo pipefail
build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

(cd "$build" && cpack -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1) || fail "cpack: $(cat "$scratch/cpack.log")"
deb=$scratch/linkwatch_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || fail "no package at $deb: $(ls "$scratch")"

dpkg-deb -c "$deb" | awk '{ print $NF }' >"$scratch/contents"
# The same install rules as the installed tree's: one file of each kind is enough.
for file in ./usr/bin/linkwatch ./usr/bin/linkwatch-cli ./usr/share/applications/com.example.linkwatch.desktop \
    ./usr/share/man/man1/linkwatch-cli.1 ./usr/share/linkwatch/帐号.ini; do
    grep -qxF "$file" "$scratch/contents" || fail "the package lacks $file"
done

[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "the package version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libssl3 libqt6widgets6 libc6; do
    named="(^|[ ,|])$package([ ,|(]|$)"
    [[ $depends =~ $named ]] || fail "Depends lacks $package: $depends"
done
[[ $(dpkg-deb -f "$deb" Recommends) == *ca-certificates* ]] || fail "Recommends lacks ca-certificates"
echo "$(basename "$deb"): all checks passed"
