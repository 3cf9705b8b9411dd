#!/usr/bin/env bash
# check_packages.sh BUILD_DIR CONSUMER_SOURCE_DIR PACKAGE
# Makes the Debian packages of the build (cpack -G DEB) and unpacks every one
# into a scratch root, as a system or sysroot would get them. Then checks:
# together they hold exactly what the build installs, each file once; the
# shared libraries' link names are in the dev package only; the dependencies
# (from the binaries, and between our packages); every package's copyright
# file and changelog; the programs' man pages; the reference in the doc
# package; the QML module's type description; the installed programs run
# from the root; an application builds against it with pkg-config and with
# find_package(PACKAGE); the QML module imports from it. Packages for /usr
# pass lintian without errors.
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
cli=$(basename "$(grep -l '/bin/vantelo-cli$' "$lists"/*)")
simulator=$(basename "$(grep -l '/bin/vantelo-simulator$' "$lists"/*)")
qml=$(basename "$(grep -l '/Vantelo/Connectors/qmldir$' "$lists"/*)")
[ "$cli" != "$simulator" ] || fail "the client and the simulator in one package: $cli"
[[ ${depends_of[$runtime]} == *libqt*core* ]] || fail "$runtime does not depend on Qt: ${depends_of[$runtime]}"
[[ ${depends_of[$qml]} == *libqt*quick* ]] || fail "$qml does not depend on Qt Quick: ${depends_of[$qml]}"
for user in "$dev" "$cli" "$simulator" "$qml"; do
    [[ ${depends_of[$user]} == *"$runtime (= "* ]] || fail "$user does not depend on $runtime: ${depends_of[$user]}"
done
# The simulator's package makes the user its bus policy names.
[[ ${depends_of[$simulator]} == *adduser* ]] || fail "$simulator does not depend on adduser: ${depends_of[$simulator]}"
dpkg-deb -I "${name_of[$simulator]}" postinst | grep -c 'adduser --system' >/dev/null || fail "$simulator makes no user"
policy_user=$(sed -n 's/.*<policy user="\([^"]*\)">.*/\1/p' "$root"$(grep '/system.d/' "$lists/$simulator") | grep -v '^root$')
dpkg-deb -I "${name_of[$simulator]}" postinst | grep -c "adduser .* $policy_user\$" >/dev/null ||
    fail "$simulator's postinst does not make the policy's user $policy_user"
echo "dependencies: $runtime on Qt, $qml on Qt Quick, $dev, $cli, $simulator and $qml on $runtime"

# The test kit: one package with its library, link name, header, CMake component, pkg-config file,
# runner and QML module, needing the libraries, the simulator and a bus daemon.
testing=$(basename "$(grep -l '/bin/vantelo-with-simulator$' "$lists"/*)")
for file in '/libVanteloTesting[^/]*\.so\.[0-9]*$' '/libVanteloTesting[^/]*\.so$' '/SimulatedDevice\.h$' \
            '/VanteloTestingTargets\.cmake$' '/VanteloTestingMacros\.cmake$' '/pkgconfig/VanteloTesting[^/]*\.pc$' \
            '/Vantelo/Connectors/Testing/qmldir$'; do
    grep -q "$file" "$lists/$testing" || fail "$testing lacks $file"
done
for needed in "$runtime (= " "$dev (= " "$simulator (= " "dbus-daemon"; do
    [[ ${depends_of[$testing]} == *"$needed"* ]] || fail "$testing does not depend on $needed: ${depends_of[$testing]}"
done
echo "test kit: $testing, on $runtime, $dev, $simulator and dbus-daemon"

prefix=$(dirname "$(dirname "$(grep '/bin/vantelo-cli$' "$lists/$cli")")")

# Every package: a machine-readable copyright file and a changelog as Debian keeps them.
# (Pipes end in a grep that reads all its input: under pipefail, an early end
# would fail the writer with SIGPIPE.)
version=$(dpkg-deb -f "${name_of[$runtime]}" Version)
for name in "${!name_of[@]}"; do
    doc="$root$prefix/share/doc/$name"
    head -1 "$doc/copyright" | grep -cx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' >/dev/null ||
        fail "$name: no machine-readable copyright file"
    gzip -t "$doc/changelog.gz" 2>/dev/null || fail "$name: no gzipped changelog"
    # gzip -n: no name and no time in the header (its flags and time are zero), the same bytes each build.
    [ "$(od -An -tx1 -j3 -N5 "$doc/changelog.gz" | tr -d ' \n')" = 0000000000 ] ||
        fail "$name: changelog.gz keeps a name or a time"
    zcat "$doc/changelog.gz" | sed -n 1p | grep -c "^vantelo ($version) " >/dev/null ||
        fail "$name: the changelog's first entry is not version $version"
done
echo "copyright and changelog: in all ${#name_of[@]} packages"

# The man pages, made from the programs' own help: they name the options the programs have.
for page in "$cli:vantelo-cli:--address" "$cli:vantelo-cli:--output" "$simulator:vantelo-simulator:--scenario" \
            "$testing:vantelo-with-simulator:--scenario"; do
    IFS=: read -r name program option <<<"$page"
    file="$root$prefix/share/man/man1/$program.1.gz"
    grep -qx "$prefix/share/man/man1/$program.1.gz" "$lists/$name" || fail "$name has no man page $program(1)"
    zcat "$file" | grep -c "^\.TH ${program^^} \"1\"" >/dev/null || fail "$program.1.gz is no man page"
    zcat "$file" | sed 's/\\-/-/g' | grep -cF -- "$option" >/dev/null || fail "$program.1.gz says nothing of $option"
done
echo "man pages: vantelo-cli(1), vantelo-simulator(1), vantelo-with-simulator(1)"

# The reference, when the build makes it: HTML in the doc package, without the build machine's folders.
# (grep finds nothing in a build without it.)
doc_package=$( (grep -l '/html/index\.html$' "$lists"/* || true) | xargs -r -n1 basename)
if [ -n "$doc_package" ]; then
    [ "$(dpkg-deb -f "${name_of[$doc_package]}" Architecture)" = all ] || fail "$doc_package is not architecture all"
    html="$root$prefix/share/doc/$doc_package/html"
    [ -f "$html/index.html" ] && [ -n "$(find "$html" -name 'classDBusConnectorBase.html')" ] ||
        fail "$doc_package holds no reference"
    ! grep -rlF -e "$build" -e "$(cd "$consumer/.." && pwd)" "$html" || fail "$doc_package names build paths"
    echo "reference: in $doc_package"
fi

# The QML module describes its types for tools: the file its qmldir names.
qmldir_file="$root$(grep '/Vantelo/Connectors/qmldir$' "$lists/$qml")"
typeinfo=$(sed -n 's/^typeinfo //p' "$qmldir_file")
[ -n "$typeinfo" ] && grep -q '"Vantelo.Connectors/Connector 1.0"' "$(dirname "$qmldir_file")/$typeinfo" ||
    fail "$qml: no type description of Connector (qmldir typeinfo: '$typeinfo')"
echo "QML type description: $typeinfo"

# Lintian judges the packages as the system would get them: made again for
# the prefix /usr from the same build; the Qt 5 build's packages, as the Qt 6
# build's are made by the same rules and a second round doubles the time.
if command -v lintian >/dev/null && [ "$package" = VanteloConnectorLibrary ]; then
    (cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/system-debs" \
        -D CPACK_PACKAGING_INSTALL_PREFIX=/usr >"$scratch/cpack-system.log" 2>&1) ||
        fail "cpack for /usr failed: $(cat "$scratch/cpack-system.log")"
    lintian --fail-on error "$scratch"/system-debs/*.deb >"$scratch/lintian.log" 2>&1 ||
        fail "lintian: $(grep '^E:' "$scratch/lintian.log" || cat "$scratch/lintian.log")"
    echo "lintian: no errors ($(grep -c '^W:' "$scratch/lintian.log" || true) warnings)"
fi
source "$(dirname "$0")/consumer_checks.sh"
check_programs "$root$prefix"
check_consumer "$root$prefix" "$consumer" "$package"
check_qml_module "$root$prefix"
