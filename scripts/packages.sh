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
# The Windows build (TICKORA_ARCH=win64): the MinGW-w64 compilers with the posix thread model
# (std::thread and std::mutex need it), zlib built for Windows, and what unpacks and builds Qt's
# and curl's Debian sources.
win64_toolchain_packages=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev dpkg-dev xz-utils perl make g++)

# ensure_mingw_posix makes the MinGW-w64 compilers' names mean the posix thread model, the one
# installed here; with the win32 variant installed too, the alternatives may point to it.
ensure_mingw_posix() {
    local tool sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    for tool in gcc g++; do
        [ "$(readlink -f "$(command -v "x86_64-w64-mingw32-$tool")")" = "/usr/bin/x86_64-w64-mingw32-$tool-posix" ] ||
            $sudo update-alternatives --set "x86_64-w64-mingw32-$tool" "/usr/bin/x86_64-w64-mingw32-$tool-posix"
    done
}

# ensure_deb_src PACKAGE lets apt-get source fetch PACKAGE: without deb-src entries it adds them
# for the Debian entries apt already uses, copied with their mirrors, suites and keys.
ensure_deb_src() {
    local sudo="" entry file number lists=() stanzas=()
    apt-get source --print-uris "$1" > /dev/null 2>&1 && return 0
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    for entry in $(apt-get indextargets --format '$(SOURCESENTRY)' 'Identifier: Packages' 'Origin: Debian' | sort -u); do
        file=${entry%:*} number=${entry##*:}
        case "$file" in
            *.sources) stanzas+=("$(awk -v n="$number" 'BEGIN { RS = "" } /(^|\n)Types:/ && ++i == n' "$file" |
                                    sed -E 's/^Types:.*/Types: deb-src/')") ;;
            *) lists+=("$(sed -n "${number}s/^deb\([[:space:]]\)/deb-src\1/p" "$file")") ;;
        esac
    done
    echo "Adding Debian's source packages to apt (tickora-deb-src in /etc/apt/sources.list.d)"
    [ ${#stanzas[@]} -eq 0 ] || printf '%s\n\n' "${stanzas[@]}" | $sudo tee /etc/apt/sources.list.d/tickora-deb-src.sources > /dev/null
    [ ${#lists[@]} -eq 0 ] || printf '%s\n' "${lists[@]}" | $sudo tee /etc/apt/sources.list.d/tickora-deb-src.list > /dev/null
    $sudo apt-get update -qq
}
# What the Windows build and its suite need beyond the toolchain's own packages: the machine's
# CMake and fonts, Qt's catalogues (the .qm files are the same on every platform), Wine, and for
# the suite the X tools, the fonts the tests name and fc-match to find them.
win64_packages=("${build_packages[@]}" qttranslations5-l10n wine wine64 fonts-wine)
win64_test_packages=("${test_packages[@]}" fontconfig)
# Making the installer and the zip, and checking them under Wine: reading the program's icon
# and the shortcut back, and closing its window as a window manager does.
win64_package_packages=(nsis zip)
win64_check_packages=(icoutils liblnk-utils unzip python3-xlib xvfb xauth xdotool x11-utils imagemagick)
