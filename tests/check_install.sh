#!/usr/bin/env bash
# check_install.sh BUILD_DIR CONSUMER_SOURCE_DIR PACKAGE
# Installs the build into a scratch prefix and moves the tree elsewhere, as
# a sysroot or an unpacked archive is; then runs the installed client there
# without LD_LIBRARY_PATH, builds an application against the tree, with
# pkg-config and with CMake's find_package, and imports the QML module from
# it (see check_qml_module in consumer_checks.sh). PACKAGE is the name of both,
# VanteloConnectorLibrary or VanteloConnectorLibraryQt6.
set -euo pipefail
build="$1"
consumer="$2"
package="$3"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build" --prefix "$scratch/installed" >/dev/null
prefix="$scratch/moved"
mv "$scratch/installed" "$prefix"
source "$(dirname "$0")/consumer_checks.sh"
check_programs "$prefix"
check_consumer "$prefix" "$consumer" "$package"
check_qml_module "$prefix"
for file in share/dbus-1/interfaces/com.vantelo.DeviceInfo.xml share/vantelo/scenarios/default.json \
            bin/vantelo-simulator bin/vantelo-with-simulator; do
    [ -e "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
[ -e "$(pkg-config --variable=includedir "$package")/DBusConnectorBase.h" ] || {
    echo "not installed: DBusConnectorBase.h"
    exit 1
}
testing="VanteloTesting${package#VanteloConnectorLibrary}"
[ -e "$(pkg-config --variable=includedir "$testing")/SimulatedDevice.h" ] &&
    [ -n "$(find "$prefix" -name "lib$testing.so.1")" ] || {
    echo "not installed: the test kit ($testing)"
    exit 1
}
echo "installed files: present"
