# shellcheck shell=bash
# Sourced by the release and package checks: clean chroots of a Debian release made with
# mmdebstrap from the mirror this machine's apt already uses (no host is written into the
# project), and commands run in them. Run as root.

# make_chroot SUITE DIR MMDEBSTRAP-OPTION... makes DIR a chroot of SUITE.
make_chroot() {
    local suite=$1 root=$2 mirror security options=() sources
    shift 2
    # The Debian mirror and its security mirror, as this machine's apt has them.
    mirror_of() {
        apt-get indextargets --format '$(REPO_URI)' "Label: $1" 'Identifier: Packages' | head -n 1
    }
    [ -n "$(mirror_of Debian)" ] || apt-get update -qq
    mirror=$(mirror_of Debian)
    security=$(mirror_of Debian-Security)
    [ -n "$mirror" ] || { echo "no Debian mirror in this machine's apt configuration" >&2; return 1; }
    sources=("deb $mirror $suite main")
    case "$suite" in
        testing|unstable|sid)
            # A mirror may serve testing's Release file past its Valid-Until date.
            options+=(--aptopt='Acquire::Check-Valid-Until "false"')
            ;;
        *)
            sources+=("deb $mirror $suite-updates main")
            [ -z "$security" ] || sources+=("deb $security $suite-security main")
            ;;
    esac
    mmdebstrap --quiet "${options[@]}" "$@" "$suite" "$root" "${sources[@]}"
    # Names are looked up through the network namespace's own resolver (see enter).
    rm -f "$root/etc/resolv.conf"
    echo "nameserver 10.0.2.3" > "$root/etc/resolv.conf"
}

# enter DIR online|offline COMMANDS runs COMMANDS (bash, as root, in /) in the chroot DIR, in
# mount and network namespaces of its own: /proc, /dev and /sys are mounted there and end with
# it, and its loopback is its own, so that its X servers and test servers never meet this
# machine's (X's abstract sockets are shared by every process in one network namespace). Online,
# slirp4netns gives that namespace outbound access and nothing else (not this machine's own
# loopback); offline, it has loopback alone, as on a build daemon.
enter() {
    local root=$1 network=$2 commands=$3 inner slirp="" status=0
    unshare --net --mount --fork bash -euo pipefail -c '
        root=$1 network=$2
        if [ "$network" = online ]; then
            for _ in $(seq 200); do ip -o -4 addr show tap0 2> /dev/null | grep -q . && break; sleep 0.05; done
            ip -o -4 addr show tap0 | grep -q . || { echo "no outbound network in the namespace" >&2; exit 1; }
        fi
        ip link set lo up
        mount -t proc proc "$root/proc"
        mount --rbind /dev "$root/dev"
        mount --rbind /sys "$root/sys"
        chroot "$root" env -i HOME=/root PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin LANG=C.UTF-8 \
            bash -euo pipefail -c "cd / && $3"
    ' enter "$root" "$network" "$commands" < /dev/null &
    inner=$!
    if [ "$network" = online ]; then
        # Only once unshare has its namespace, or slirp4netns would join this machine's.
        while [ -e "/proc/$inner" ] && [ "$(readlink "/proc/$inner/ns/net")" = "$(readlink /proc/self/ns/net)" ]; do
            sleep 0.05
        done
        slirp4netns --configure --mtu=65520 --disable-host-loopback "$inner" tap0 > /dev/null 2>&1 &
        slirp=$!
    fi
    wait "$inner" || status=$?
    if [ -n "$slirp" ]; then
        kill "$slirp" 2> /dev/null || true
        wait "$slirp" 2> /dev/null || true
    fi
    return "$status"
}

# remove_chroot DIR removes DIR, but never a tree that something is still mounted in (the mounts
# above are the namespaces' own and end with them; this is a guard).
remove_chroot() {
    if findmnt -rn -o TARGET | grep -q "^$1/"; then
        echo "left $1 in place: something is still mounted in it" >&2
        return 1
    fi
    rm -rf "$1"
}
