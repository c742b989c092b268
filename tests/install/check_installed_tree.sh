#!/bin/bash
# check_installed_tree.sh BUILD_DIR VERSION
# Installs BUILD_DIR into a fresh prefix, as `make install PREFIX=...` does,
# and checks the tree: every file in its place, the desktop entry and the
# AppStream file valid, both programs printing VERSION, and a first start of
# the moved tree from the home folder seeding the user's data folder.
set -euo pipefail
build=$1
version=$2
app_id=com.example.linkwatch
scratch=$(mktemp -d)
program_pid=
cleanup() {
    [[ -n $program_pid ]] && kill "$program_pid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
files=(
    bin/linkwatch bin/linkwatch-cli
    "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$app_id.svg" "share/icons/hicolor/48x48/apps/$app_id.png"
    share/man/man1/linkwatch-cli.1 share/linkwatch/帐号.ini
)
for file in "${files[@]}"; do
    [[ -s $prefix/$file ]] || fail "$file is not installed"
done
[[ -x $prefix/bin/linkwatch && -x $prefix/bin/linkwatch-cli ]] || fail "the programs are not executable"
file "$prefix/share/icons/hicolor/48x48/apps/$app_id.png" | grep -q "PNG image data, 48 x 48" \
    || fail "the 48x48 icon is not a 48x48 PNG"
grep -qx "Icon=$app_id" "$prefix/share/applications/$app_id.desktop" || fail "the desktop entry names another icon"
grep -q "^\.TH \"linkwatch-cli\" \"1\" .*\"LinkWatch $version\"" "$prefix/share/man/man1/linkwatch-cli.1" \
    || fail "the man page is not roff for linkwatch-cli(1) of version $version"

desktop-file-validate "$prefix/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" >/dev/null \
    || fail "appstreamcli validate: $(appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml")"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$app_id.metainfo.xml" \
    || fail "the AppStream release is not $version"

[[ $("$prefix/bin/linkwatch-cli" --version) == "linkwatch-cli $version" ]] || fail "linkwatch-cli --version"
# --version answers before any window: no display is needed for it.
[[ $(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/linkwatch" --version) == "linkwatch $version" ]] \
    || fail "linkwatch --version"

# Started from a menu, the current folder is home: the first start creates
# the data folder and seeds it from the example list installed beside the
# program, wherever the tree was moved. The result dump appears once the
# window is up, after the folder was entered.
mv "$prefix" "$scratch/moved"
home=$scratch/home
mkdir "$home"
(cd "$home" && exec env -u XDG_DATA_HOME HOME="$home" QT_QPA_PLATFORM=offscreen \
    LINKWATCH_RESULT_DUMP="$scratch/dump" "$scratch/moved/bin/linkwatch") &
program_pid=$!
for ((tenth = 0; tenth < 600; ++tenth)); do
    [[ -s $scratch/dump ]] && break
    kill -0 "$program_pid" 2>/dev/null || fail "linkwatch ended at its first start"
    sleep 0.1
done
cmp "$scratch/moved/share/linkwatch/帐号.ini" "$home/.local/share/linkwatch/帐号.ini" \
    || fail "the data folder was not seeded with the example list"
[[ -s $scratch/dump ]] || fail "linkwatch did not show its window within 60 s"
echo "installed tree of LinkWatch $version: all checks passed"
