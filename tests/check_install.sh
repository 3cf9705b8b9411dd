#!/usr/bin/env bash
# check_install.sh BUILD_DIR CONSUMER_SOURCE_DIR
# Installs the build into a scratch prefix, then builds a small application
# against it twice: with pkg-config, and with CMake's find_package.
set -euo pipefail
build="$1"
consumer="$2"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig:$(ls -d "$prefix"/lib/*/pkgconfig 2>/dev/null | tr '\n' ':')"
c++ -std=c++17 -fPIC "$consumer/main.cpp" -o "$scratch/consumer-pc" \
    $(pkg-config --cflags --libs VanteloConnectorLibrary)
echo "pkg-config: built"

cmake -S "$consumer" -B "$scratch/consumer" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$scratch/consumer" >/dev/null
echo "find_package: built"
for file in share/dbus-1/interfaces/com.vantelo.DeviceInfo.xml share/vantelo/scenarios/default.json \
            bin/vantelo-cli bin/vantelo-simulator include/vantelo/DBusConnectorBase.h; do
    [ -e "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
echo "installed files: present"
