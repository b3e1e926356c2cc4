# Sourced by the other scripts: installs the Debian packages the build needs, when any is missing.
# unzip lets the tests read exported workbooks back.
# qt6-translations-l10n holds Qt's own texts (standard buttons, file dialogs) in Russian and Turkish.
# help2man writes the manual pages, desktop-file-utils and appstream check the desktop files, dpkg-dev lets
# cpack find the package's dependencies.
# xvfb and libxtst-dev run the windows on a private X server with real input (tests/xvfb).
MIRCA_PACKAGES=(g++ cmake ninja-build pkg-config libusb-1.0-0-dev umockdev libumockdev-dev libpugixml-dev libgtest-dev
    libbenchmark-dev libsqlcipher-dev libxlsxwriter-dev unzip nlohmann-json3-dev
    qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n libgl-dev
    help2man desktop-file-utils appstream dpkg-dev
    xvfb libxtst-dev)

# Installs the given packages, or by default the build's, when any is missing.
mirca_install_deps() {
    local wanted=("$@")
    [ ${#wanted[@]} -eq 0 ] && wanted=("${MIRCA_PACKAGES[@]}")
    local missing=()
    for p in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configures and builds into the given folder with any extra CMake arguments.
mirca_build() {
    local dir=$1
    shift
    cmake -S "$MIRCA_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
