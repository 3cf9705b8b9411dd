# Checks of an installed tree, shared by check_install.sh and check_packages.sh.
# Sourced; each prints one line on success and ends the script on failure.
# Builds go to the caller's scratch folder, $scratch.

# check_programs PREFIX: the installed programs run from PREFIX/bin with
# nothing but their RUNPATH to find our libraries.
check_programs() {
    local bin="$1/bin" program loads
    for program in vantelo-cli vantelo-simulator; do
        # Our libraries from PREFIX, not from wherever else the loader might find them.
        loads=$(env -u LD_LIBRARY_PATH ldd "$bin/$program" | grep libVantelo || true)
        if grep -Fv "=> $1/" <<<"$loads"; then
            echo "$bin/$program: our libraries not from $1"
            exit 1
        fi
        env -u LD_LIBRARY_PATH "$bin/$program" --help >/dev/null || {
            echo "$bin/$program --help failed"
            exit 1
        }
    done
    if [[ $(env -u LD_LIBRARY_PATH "$bin/vantelo-cli" --help) == *--version* ]]; then
        [ -n "$(env -u LD_LIBRARY_PATH "$bin/vantelo-cli" --version)" ] || { echo "vantelo-cli --version failed"; exit 1; }
    fi
    echo "installed programs: run"
}

# check_consumer PREFIX SOURCE_DIR PACKAGE: the application in SOURCE_DIR
# builds against PREFIX with pkg-config (its .cpp files, compiled directly)
# and with CMake (find_package(PACKAGE), chosen by -DVANTELO_PACKAGE), and
# both ways it is compiled with QT_MESSAGELOGCONTEXT.
check_consumer() {
    local prefix="$1" source="$2" package="$3" work
    work=$(mktemp -d -p "$scratch")
    PKG_CONFIG_PATH=$(find "$prefix" -type d -name pkgconfig -printf '%p:')
    export PKG_CONFIG_PATH
    [[ " $(pkg-config --cflags "$package") " == *" -DQT_MESSAGELOGCONTEXT "* ]] || {
        echo "pkg-config: no QT_MESSAGELOGCONTEXT"
        exit 1
    }
    # shellcheck disable=SC2046 # the flags are words
    c++ -std=c++17 -fPIC "$source"/*.cpp -o "$work/consumer-pc" $(pkg-config --cflags --libs "$package")
    echo "pkg-config: built"

    cmake -S "$source" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$prefix" -DVANTELO_PACKAGE="$package" \
        -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
    cmake --build "$work/cmake" >/dev/null
    grep -q -- '-DQT_MESSAGELOGCONTEXT\b' "$work/cmake/compile_commands.json" || {
        echo "find_package: no QT_MESSAGELOGCONTEXT"
        exit 1
    }
    echo "find_package: built"
}

# check_qml_module PREFIX: `import Vantelo.Connectors 1.0` works from PREFIX:
# the plugin finds our libraries in PREFIX through its RUNPATH, and the QML
# test in $VANTELO_QML_CHECK runs under $VANTELO_QMLTESTRUNNER, with nothing
# but the import path pointing at PREFIX, against PREFIX's simulator.
check_qml_module() {
    local prefix="$1" qmldir imports plugin loads
    qmldir=$(find "$prefix" -path '*/qml/Vantelo/Connectors/qmldir' -print -quit)
    [ -n "$qmldir" ] || { echo "not installed: the QML module's qmldir"; exit 1; }
    imports=${qmldir%/Vantelo/Connectors/qmldir}
    plugin=$(find "${qmldir%/qmldir}" -name 'lib*.so' -print -quit)
    loads=$(env -u LD_LIBRARY_PATH ldd "$plugin" | grep libVantelo || true)
    if [ -z "$loads" ] || grep -Fv "=> $prefix/" <<<"$loads"; then
        echo "$plugin: our libraries not from $prefix: $loads"
        exit 1
    fi
    env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen QML2_IMPORT_PATH="$imports" QML_IMPORT_PATH="$imports" \
        "$prefix/bin/vantelo-with-simulator" --quiet -- "$VANTELO_QMLTESTRUNNER" -input "$VANTELO_QML_CHECK" >"$scratch/qml.log" 2>&1 || {
        cat "$scratch/qml.log"
        echo "import Vantelo.Connectors 1.0 from $imports failed"
        exit 1
    }
    echo "QML module: imported from $imports"
}
