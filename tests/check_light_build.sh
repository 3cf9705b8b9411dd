#!/usr/bin/env bash
# check_light_build.sh SOURCE_DIR [CMAKE OPTIONS...]
# Configures the tree without tests and benchmark, as a system that builds
# the libraries, the programs and the QML module alone would: sdbus-c++ is
# made unfindable, and nothing of the configured build may name sdbus or
# libdbus (which the benchmark finds through pkg-config, as Qt 6 finds some
# of its own dependencies: pkg-config stays).
set -euo pipefail
source_dir=$(cd "$1" && pwd)
shift
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "$*"
    exit 1
}

cmake --no-warn-unused-cli -S "$source_dir" -B "$scratch" "$@" -DVANTELO_BUILD_TESTS=OFF -DVANTELO_BUILD_BENCH=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_sdbus-c++=TRUE \
    >"$scratch/configure.log" 2>&1 || fail "configure without tests and benchmark failed: $(cat "$scratch/configure.log")"
# The cache's comments and the options given above aside.
found=$(find "$scratch" \( -name CMakeCache.txt -o -name flags.make -o -name link.txt \) -exec grep -iE \
    'sdbus|libdbus-1|dbus-1/dbus|DBUS1_' {} + | grep -vE ':(//|CMAKE_DISABLE_FIND_PACKAGE_)' || true)
[ -z "$found" ] || fail "the light build still names sdbus or libdbus in: $found"
echo "configured without sdbus-c++ and libdbus"
