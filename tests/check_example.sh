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

# The example and its tests on the simulated device (tests/), with nothing but the prefix.
cmake -S "$source/examples" -B "$scratch/find_package" -DCMAKE_PREFIX_PATH="$prefix" -DVANTELO_PACKAGE="$package" \
    -DVANTELO_EXAMPLE_TESTS=ON >/dev/null
cmake --build "$scratch/find_package" >/dev/null
echo "find_package: built, with the tests"
c++ -std=c++17 -fPIC "$source/examples/main.cpp" -o "$scratch/vantelo-example-pc" \
    $(pkg-config --cflags --libs "$package")
echo "pkg-config: built"

for example in "$scratch/find_package/vantelo-example" "$scratch/vantelo-example-pc"; do
    status=0
    "$prefix/bin/vantelo-with-simulator" --quiet -- "$example" >"$scratch/output" 2>&1 || status=$?
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

# The runner from the prefix: the client's answer, the command's status, nothing left behind.
serial=$("$prefix/bin/vantelo-with-simulator" --quiet -- "$prefix/bin/vantelo-cli" call device-info getInformation \
    Device1 serialNumber)
[[ $serial == *SN-2026-0042* ]] || { echo "vantelo-with-simulator -- vantelo-cli call: $serial"; exit 1; }
status=0
"$prefix/bin/vantelo-with-simulator" --quiet -- sh -c 'exit 7' || status=$?
[ "$status" -eq 7 ] || { echo "vantelo-with-simulator -- sh -c 'exit 7' returned $status"; exit 1; }
if pgrep -f "vantelo-device\.[^ ]*/bus" -u "$(id -u)" -a | grep -F "$prefix"; then
    echo "vantelo-with-simulator left processes behind"
    exit 1
fi
echo "vantelo-with-simulator: ran"

# The example's own tests: QtTest, Qt Quick Test with the QML type, the example under the CMake helper.
qml_dir=$(dirname "$(dirname "$(dirname "$(find "$prefix" -path '*/Vantelo/Connectors/qmldir' -print -quit)")")")
QML2_IMPORT_PATH="$qml_dir" QML_IMPORT_PATH="$qml_dir" \
    ctest --test-dir "$scratch/find_package" --output-on-failure >"$scratch/ctest.log" 2>&1 || {
    cat "$scratch/ctest.log"
    echo "the example's tests failed"
    exit 1
}
echo "the example's tests: passed"
