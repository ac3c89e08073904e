#!/usr/bin/env bash
# Does what a newcomer on another Debian release does, in a clean chroot of that release made
# with mmdebstrap from the mirror this machine's apt already uses: clones this repository's last
# commit, runs the README's test command for Qt 5 and for Qt 6, and on a stable release
# scripts/package-check.sh too.
#   scripts/release-check.sh trixie     Debian 13: Qt 5, Qt 6, the package check
#   scripts/release-check.sh testing    Qt 5 and Qt 6
# The release's packages are installed once, with the network; the tests then run in a network
# namespace of their own with only loopback up, so that their X servers never meet this
# machine's (X's abstract sockets are shared by every process in one namespace).
# TICKORA_CHROOT=DIR keeps the chroot in DIR, and uses it again when it is there already.
set -euo pipefail
cd "$(dirname "$0")/.."
suite=${1:-}
[ -n "$suite" ] || { echo "usage: $0 SUITE (trixie, testing, ...)" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "run as root: it makes a chroot and a network namespace" >&2; exit 2; }

. scripts/packages.sh
ensure_packages mmdebstrap git iproute2

# The Debian mirror and its security mirror, as this machine's apt has them.
mirror_of() {
    apt-get indextargets --format '$(REPO_URI)' "Label: $1" 'Identifier: Packages' | head -n 1
}
[ -n "$(mirror_of Debian)" ] || apt-get update -qq
mirror=$(mirror_of Debian)
security=$(mirror_of Debian-Security)
[ -n "$mirror" ] || { echo "no Debian mirror in this machine's apt configuration" >&2; exit 1; }

options=()
sources=("deb $mirror $suite main")
case "$suite" in
    testing|unstable|sid)
        # A mirror may serve testing's Release file past its Valid-Until date.
        [ "$suite" = testing ] && options+=(--aptopt='Acquire::Check-Valid-Until "false"')
        package_check=no
        ;;
    *)
        sources+=("deb $mirror $suite-updates main")
        [ -z "$security" ] || sources+=("deb $security $suite-security main")
        package_check=yes
        ;;
esac

root=${TICKORA_CHROOT:-}
keep=${root:+yes}
if [ -z "$root" ]; then
    root=$(mktemp -d /var/tmp/tickora-"$suite".XXXXXX)
fi
# Never remove a tree that something is still mounted in (the mounts below are the namespaces'
# own and end with them; this is a guard).
remove_root() {
    if findmnt -rn -o TARGET | grep -q "^$root/"; then
        echo "left $root in place: something is still mounted in it" >&2
        return 1
    fi
    rm -rf "$root"
}
[ -n "$keep" ] || trap remove_root EXIT

started=$SECONDS
stage() { echo "== $suite: $1 ($((SECONDS - started)) s so far)"; }

# What the README assumes (g++, cmake, make), and git to clone with.
if [ ! -x "$root/usr/bin/apt-get" ]; then
    stage "making the chroot"
    mmdebstrap --variant=apt --include=ca-certificates,git,g++,cmake,make "${options[@]}" \
        "$suite" "$root" "${sources[@]}"
fi
rm -rf "$root/root/tickora"
git clone -q . "$root/root/tickora"

# enter [--net] COMMANDS runs COMMANDS in the chroot's clone, with /proc, /dev and /sys mounted
# in a mount namespace of its own, so that the mounts end with it; with --net, also in a network
# namespace that has only loopback.
enter() {
    local net=()
    if [ "$1" = --net ]; then
        net=(--net)
        shift
    fi
    unshare "${net[@]}" --mount --fork bash -euo pipefail -c '
        root=$1
        [ -z "$3" ] || ip link set lo up
        mount -t proc proc "$root/proc"
        mount --rbind /dev "$root/dev"
        mount --rbind /sys "$root/sys"
        chroot "$root" env -i HOME=/root PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin LANG=C.UTF-8 \
            bash -euo pipefail -c "cd /root/tickora && $2"
    ' enter "$root" "$1" "${net[*]}"
}

# Everything the two README commands and the package check install, installed once, with the
# network.
stage "installing the release's packages"
cp --remove-destination /etc/resolv.conf "$root/etc/resolv.conf"
enter '. scripts/packages.sh
    qt=("${qt6_packages[@]}" "${qt6_test_packages[@]}")
    ! qt5_packaged || qt+=("${qt5_packages[@]}" "${qt5_test_packages[@]}")
    ensure_packages "${build_packages[@]}" "${test_packages[@]}" "${qt[@]}" "${package_check_packages[@]}"
    dpkg-query -W -f="\${Package} \${Version}\n" g++ cmake libcurl4-openssl-dev qtbase5-dev qt6-base-dev \
        appstream lintian 2> /dev/null || true'

commands='scripts/dev.sh test && TICKORA_QT=6 scripts/dev.sh test'
what="the README's test command, Qt 5 then Qt 6"
if [ "$package_check" = yes ]; then
    commands+=' && scripts/package-check.sh'
    what+=", then the package check"
fi
stage "$what"
enter --net "$commands"
stage "passed"
