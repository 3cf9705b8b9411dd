# Shared by the build scripts: the packages we need and the build itself.

# What every build needs: the libraries, the simulator and the client.
packages=(cmake g++ make qtbase5-dev qtbase5-dev-tools dbus-daemon)
# Added by the scripts that need them: the QML module with its tests and the
# man pages (the full build), the benchmark, the Qt 6 build, and the checks
# of the Debian packages and of the libraries' interface.
full_packages=(help2man doxygen qtdeclarative5-dev qtdeclarative5-dev-tools qml-module-qttest qml-module-qtquick2
               qml-module-qtquick-window2)
bench_packages=(pkg-config libdbus-1-dev libsdbus-c++-dev)
qt6_packages=(qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-declarative-dev-tools qml6-module-qttest
              qml6-module-qtquick qml6-module-qtquick-window qml6-module-qtqml-workerscript)
check_packages=(pkg-config dpkg-dev file abigail-tools lintian)
# The full build's options: tests, QML module, man pages and reference; the benchmark when asked.
full_options=(-DVANTELO_BUILD_TESTS=ON -DVANTELO_BUILD_QML=ON -DVANTELO_BUILD_MANPAGES=ON -DVANTELO_BUILD_DOCS=ON)

# Installs what is missing from the Debian packages above.
ensure_packages() {
    local missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Please install as root: apt-get install ${missing[*]}" >&2; exit 1; }
        sudo="sudo"
    fi
    echo "Installing the Debian packages ${missing[*]}" >&2
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# configure DIR [CMAKE OPTIONS...]
configure() {
    local dir="$1"
    shift
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# build DIR [CMAKE OPTIONS...]: configures DIR and builds everything there.
build() {
    configure "$@"
    cmake --build "$1" -j "$(nproc)"
}
