# shellcheck shell=bash disable=SC2034
# Sourced by the other scripts: ensure_packages [--no-install-recommends] NAME... installs the
# Debian packages that are missing, through sudo when not run as root.
ensure_packages() {
    local missing=() package sudo="" options=()
    if [ "${1:-}" = --no-install-recommends ]; then
        options=("$1")
        shift
    fi
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${options[@]}" "${missing[@]}"
}

# qt5_packaged tells whether this Debian release still ships Qt 5 (Debian means to drop it).
qt5_packaged() {
    local sudo=""
    dpkg-query -W -f='${Status}' qtbase5-dev 2>/dev/null | grep -q "install ok installed" && return 0
    apt-cache show qtbase5-dev > /dev/null 2>&1 && return 0
    # Perhaps only the package lists are missing.
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    apt-cache show qtbase5-dev > /dev/null 2>&1
}

# ensure_arm64 lets dpkg install arm64 packages beside the machine's own, for the cross build.
ensure_arm64() {
    local sudo=""
    dpkg --print-foreign-architectures | grep -qx arm64 && return 0
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Adding the arm64 architecture to dpkg"
    $sudo dpkg --add-architecture arm64
}

# ensure_locale NAME (such as de_DE.UTF-8) makes the locale with localedef when it is missing.
ensure_locale() {
    local name=$1 sudo=""
    locale -a 2>/dev/null | grep -qix "${name%%.*}.utf8" && return 0
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Making locale: $name"
    $sudo localedef -i "${name%%.*}" -f UTF-8 "$name"
}

# What building and testing need beyond g++, cmake and make, and Qt.
build_packages=(g++ cmake make libcurl4-openssl-dev fonts-wqy-microhei)
test_packages=(xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick openssl libssl-dev zlib1g-dev
               libx11-dev desktop-file-utils appstream groff-base fonts-dejavu-core fonts-noto-core fonts-cantarell locales)
# Qt 5.15, or Qt 6 (TICKORA_QT=6) with QTextCodec for GB18030 from Core5Compat. The tests of
# either switch accessibility on through Qt's private GUI header.
qt5_packages=(qtbase5-dev qttranslations5-l10n)
qt5_test_packages=(qtbase5-private-dev)
qt6_packages=(qt6-base-dev qt6-5compat-dev qt6-translations-l10n)
qt6_test_packages=(qt6-base-private-dev)
# The arm64 cross build (TICKORA_ARCH=arm64): Debian's aarch64 compilers, qemu's user-mode
# emulator (called by name; nothing is registered with the kernel), and the arm64 libraries the
# program and its tests link. The machine's own build and test packages still bring cmake, the
# fonts, Xvfb and the rest.
arm64_packages=(g++-aarch64-linux-gnu qemu-user-static qtbase5-dev:arm64 libcurl4-openssl-dev:arm64)
arm64_test_packages=(qtbase5-private-dev:arm64 libssl-dev:arm64 zlib1g-dev:arm64 libx11-dev:arm64)
# A decimal-comma locale, for the second run of the quote tables.
test_locale=de_DE.UTF-8
