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

# What building and testing need beyond g++, cmake and make.
build_packages=(g++ cmake make qtbase5-dev libcurl4-openssl-dev fonts-wqy-microhei)
# The Qt 6 build (TICKORA_QT=6): Qt 6 itself, and QTextCodec for GB18030 from Core5Compat.
qt6_packages=(qt6-base-dev qt6-5compat-dev)
test_packages=(xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick openssl libssl-dev zlib1g-dev
               libx11-dev desktop-file-utils appstream fonts-dejavu-core fonts-noto-core fonts-cantarell)
