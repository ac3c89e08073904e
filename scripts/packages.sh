# shellcheck shell=bash disable=SC2034
# Sourced by the other scripts: ensure_packages NAME... installs the Debian packages that are
# missing, through sudo when not run as root.
ensure_packages() {
    local missing=() package sudo=""
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

# ensure_locale NAME (such as de_DE.UTF-8) makes the locale with localedef when it is missing.
ensure_locale() {
    local name=$1 sudo=""
    locale -a 2>/dev/null | grep -qix "${name%%.*}.utf8" && return 0
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Making locale: $name"
    $sudo localedef -i "${name%%.*}" -f UTF-8 "$name"
}

# What building and testing need beyond g++, cmake and make.
build_packages=(g++ cmake make qtbase5-dev libcurl4-openssl-dev fonts-wqy-microhei qttranslations5-l10n)
# The Qt 6 build (TICKORA_QT=6): Qt 6 itself, and QTextCodec for GB18030 from Core5Compat; its
# tests, like Qt 5's, switch accessibility on through Qt's private GUI header.
qt6_packages=(qt6-base-dev qt6-5compat-dev qt6-translations-l10n qt6-base-private-dev)
test_packages=(xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick openssl libssl-dev zlib1g-dev
               libx11-dev desktop-file-utils appstream fonts-dejavu-core fonts-noto-core fonts-cantarell locales
               qtbase5-private-dev)
# A decimal-comma locale, for the second run of the quote tables.
test_locale=de_DE.UTF-8
