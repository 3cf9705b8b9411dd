#!/usr/bin/env bash
# check_example.sh BUILD_DIR SOURCE_DIR PACKAGE
# Installs the build into a scratch prefix, builds examples/ against it with
# CMake's find_package and with pkg-config, and runs both builds against the
# installed simulator on a private bus: each must end by itself with status 0,
# having seen its answers and the relayed signal. PACKAGE names the CMake
# package and the pkg-config file: VanteloConnectorLibrary or VanteloConnectorLibraryQt6.
set -euo pipefail
build="$1"
source="$2"
package="$3"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name "lib$package.so" -print -quit)")
export PKG_CONFIG_PATH="$libdir/pkgconfig"
export LD_LIBRARY_PATH="$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

cmake -S "$source/examples" -B "$scratch/find_package" -DCMAKE_PREFIX_PATH="$prefix" -DVANTELO_PACKAGE="$package" >/dev/null
cmake --build "$scratch/find_package" >/dev/null
echo "find_package: built"
c++ -std=c++17 -fPIC "$source/examples/main.cpp" -o "$scratch/vantelo-example-pc" \
    $(pkg-config --cflags --libs "$package")
echo "pkg-config: built"

for example in "$scratch/find_package/vantelo-example" "$scratch/vantelo-example-pc"; do
    status=0
    "$source/tools/with-private-bus" --background "$prefix/bin/vantelo-simulator --quiet" \
        --wait-for com.vantelo.Simulator -- "$example" >"$scratch/output" 2>&1 || status=$?
    for expected in "serial number: SN-2026-0042" "setFaultController failed with code 3 (the service's own)" \
                    "code -1 org.freedesktop.DBus.Error.ServiceUnknown" "instances: Network, Time, Display" \
                    "configurationChanged: Network"; do
        grep -qF "$expected" "$scratch/output" || status="missing: $expected"
    done
    if [ "$status" != 0 ]; then
        cat "$scratch/output"
        echo "$example: $status"
        exit 1
    fi
    echo "$(basename "$example"): ran"
done
