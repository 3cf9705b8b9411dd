#!/usr/bin/env bash
# check_packages.sh BUILD_DIR CONSUMER_SOURCE_DIR PACKAGE
# Makes the Debian packages of the build (cpack -G DEB) and unpacks every one
# into a scratch root, as a system or sysroot would get them. Then checks:
# together they hold exactly what the build installs, each file once; the
# shared libraries' link names are in the dev package only; the dependencies
# (from the binaries, and between our packages); the installed programs run
# from the root; an application builds against it with pkg-config and with
# find_package(PACKAGE); the QML module imports from it.
set -euo pipefail
build=$(cd "$1" && pwd)
consumer=$(cd "$2" && pwd)
package="$3"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "$*"
    exit 1
}

(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/debs" >"$scratch/cpack.log" 2>&1) ||
    fail "cpack failed: $(cat "$scratch/cpack.log")"
root="$scratch/root"
lists="$scratch/lists"
mkdir "$lists"
declare -A name_of depends_of
for deb in "$scratch"/debs/*.deb; do
    name=$(dpkg-deb -f "$deb" Package)
    name_of[$name]="$deb"
    depends_of[$name]=$(dpkg-deb -f "$deb" Depends)
    dpkg-deb -x "$deb" "$root"
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort >"$lists/$name"
done
echo "packages: ${!name_of[*]}"

# What the build installs, and where each package's files came from.
DESTDIR="$scratch/installed" cmake --install "$build" >/dev/null
(cd "$scratch/installed" && find . ! -type d | sed 's|^\./|/|' | sort) >"$scratch/installed.files"
cat "$lists"/* | sort >"$scratch/packaged.files"
[ -z "$(uniq -d "$scratch/packaged.files")" ] || fail "in two packages: $(uniq -d "$scratch/packaged.files")"
diff "$scratch/installed.files" "$scratch/packaged.files" >"$scratch/missing" ||
    fail "installed and packaged files differ (< installed only, > packaged only): $(cat "$scratch/missing")"
echo "packaged files: all that the build installs, each once"

# The runtime package holds the libraries under their SONAMEs, the dev package their link names.
# The test kit's library lies in the kit's package, with its link name.
libraries='/libVantelo\(ConnectorLibrary\|DBusTools\)[^/]*'
runtime=$(grep -l "$libraries\\.so\\.[0-9]*$" "$lists"/*)
dev=$(grep -l "$libraries\\.so$" "$lists"/*)
[ "$(echo "$runtime" | wc -l)" -eq 1 ] && [ "$(echo "$dev" | wc -l)" -eq 1 ] && [ "$runtime" != "$dev" ] ||
    fail "libraries and their link names not in one runtime and one dev package: $runtime / $dev"
runtime=$(basename "$runtime")
dev=$(basename "$dev")
tools=$(basename "$(grep -l '/bin/vantelo-cli$' "$lists"/*)")
qml=$(basename "$(grep -l '/Vantelo/Connectors/qmldir$' "$lists"/*)")
[[ ${depends_of[$runtime]} == *libqt*core* ]] || fail "$runtime does not depend on Qt: ${depends_of[$runtime]}"
[[ ${depends_of[$qml]} == *libqt*quick* ]] || fail "$qml does not depend on Qt Quick: ${depends_of[$qml]}"
for user in "$dev" "$tools" "$qml"; do
    [[ ${depends_of[$user]} == *"$runtime (= "* ]] || fail "$user does not depend on $runtime: ${depends_of[$user]}"
done
echo "dependencies: $runtime on Qt, $qml on Qt Quick, $dev, $tools and $qml on $runtime"

# The test kit: one package with its library, link name, header, CMake component, pkg-config file,
# runner and QML module, needing the libraries, the simulator and a bus daemon.
testing=$(basename "$(grep -l '/bin/vantelo-with-simulator$' "$lists"/*)")
for file in '/libVanteloTesting[^/]*\.so\.[0-9]*$' '/libVanteloTesting[^/]*\.so$' '/SimulatedDevice\.h$' \
            '/VanteloTestingTargets\.cmake$' '/VanteloTestingMacros\.cmake$' '/pkgconfig/VanteloTesting[^/]*\.pc$' \
            '/Vantelo/Connectors/Testing/qmldir$'; do
    grep -q "$file" "$lists/$testing" || fail "$testing lacks $file"
done
for needed in "$runtime (= " "$dev (= " "$tools (= " "dbus-daemon"; do
    [[ ${depends_of[$testing]} == *"$needed"* ]] || fail "$testing does not depend on $needed: ${depends_of[$testing]}"
done
echo "test kit: $testing, on $runtime, $dev, $tools and dbus-daemon"

prefix=$(dirname "$(dirname "$(grep '/bin/vantelo-cli$' "$lists/$tools")")")
source "$(dirname "$0")/consumer_checks.sh"
check_programs "$root$prefix"
check_consumer "$root$prefix" "$consumer" "$package"
check_qml_module "$root$prefix"
