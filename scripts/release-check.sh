#!/usr/bin/env bash
# Does what a newcomer on a Debian release does, in a clean chroot of that release holding only
# what the README assumes (g++, cmake and make, and git to clone with): clones this
# repository's last commit and runs the README's test command, which installs everything else
# it needs itself, with the network (with --qt6, the Qt 6 one too). Then the package check
# (scripts/package-check.sh) for that release, in a chroot of its own, made and given its
# Build-Depends while the newcomer's commands run.
#   scripts/release-check.sh [--qt6] bookworm   Debian 12
#   scripts/release-check.sh [--qt6] trixie     Debian 13
#   scripts/release-check.sh [--qt6] testing
#   scripts/release-check.sh --all              before a release, and after any change to the
#                                               build, the package or the scripts: every release
#                                               above with Qt 5 and Qt 6 and the arm64 package,
#                                               then the arm64 suite under emulation
# The chroot's commands run in a network namespace of its own, given outbound access through
# slirp4netns, so that its X servers and test servers never meet this machine's.
# TICKORA_CHROOT=DIR keeps the newcomer's chroot in DIR, and uses it again when it is there.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "run as root: it makes a chroot and namespaces" >&2; exit 2; }

if [ "${1:-}" = --all ]; then
    # The releases and the arm64 package at once: each is in chroots and namespaces of its own,
    # and much of each is waiting on the mirror. Then the arm64 suite, alone, since it adds
    # arm64 to this machine's apt, whose lists the chroots' making reads. Each one's output is
    # kept, and shown when all have ended.
    . scripts/packages.sh
    ensure_packages mmdebstrap git iproute2 slirp4netns
    logs=$(mktemp -d)
    trap 'rm -rf "$logs"' EXIT
    started=$SECONDS
    failed=0
    # wave NAME=COMMAND...: runs the commands at once; each says how long it took.
    wave() {
        local job pids=() names=() i
        for job in "$@"; do
            names+=("${job%%=*}")
            bash -c "start=\$SECONDS; ${job#*=} && echo \"release check ${job%%=*}: \$((SECONDS - start)) s\"" \
                > "$logs/${job%%=*}" 2>&1 &
            pids+=($!)
        done
        for i in "${!pids[@]}"; do
            wait "${pids[$i]}" || { failed=1; echo "release check ${names[$i]}: failed" >> "$logs/${names[$i]}"; }
        done
    }
    wave bookworm="$0 --qt6 bookworm" trixie="$0 --qt6 trixie" testing="$0 --qt6 testing" \
        arm64-package="TICKORA_ARCH=arm64 scripts/package-check.sh bookworm"
    wave arm64-suite="TICKORA_ARCH=arm64 scripts/dev.sh test"
    for job in bookworm trixie testing arm64-package arm64-suite; do
        echo "==== $job"
        cat "$logs/$job"
    done
    echo
    grep -h '^release check ' "$logs"/*
    [ "$failed" = 0 ] || { echo "release check: failed" >&2; exit 1; }
    echo "release check: every release, arm64 included, passed in $((SECONDS - started)) s"
    exit 0
fi
qt6=0
if [ "${1:-}" = --qt6 ]; then
    qt6=1
    shift
fi
suite=${1:-}
[ -n "$suite" ] || { echo "usage: $0 [--qt6] SUITE (bookworm, trixie, testing, ...) | --all" >&2; exit 2; }

. scripts/packages.sh
. scripts/chroot.sh
ensure_packages mmdebstrap git iproute2 slirp4netns

root=${TICKORA_CHROOT:-}
package_root=$(mktemp -d /var/tmp/tickora-build-"$suite".XXXXXX)
preparing=""
cleanup() {
    [ -z "$preparing" ] || { kill -- -"$preparing" 2> /dev/null; wait "$preparing" 2> /dev/null; } || true
    remove_chroot "$package_root" || true
    [ -n "${TICKORA_CHROOT:-}" ] || remove_chroot "$root"
}
[ -n "$root" ] || root=$(mktemp -d /var/tmp/tickora-"$suite".XXXXXX)
trap cleanup EXIT
started=$SECONDS
stage() { echo "== $suite: $1 ($((SECONDS - started)) s so far)"; }

# The package's chroot and its Build-Depends come over the network while the newcomer's
# commands build and test here; a session of its own, so that a failure ends all of it.
TICKORA_CHROOT=$package_root setsid scripts/package-check.sh --prepare "$suite" > "$package_root.log" 2>&1 &
preparing=$!

if [ ! -x "$root/usr/bin/apt-get" ]; then
    stage "making the chroot: what the README assumes, and git"
    make_chroot "$suite" "$root" --variant=apt --include=git,g++,cmake,make
fi
rm -rf "$root/root/tickora"
git clone -q . "$root/root/tickora"
dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Package}\n' | sort > "$root/root/before"

commands='scripts/dev.sh test'
[ "$qt6" = 0 ] || commands+='; TICKORA_QT=6 scripts/dev.sh test'
stage "the README's test command$([ "$qt6" = 0 ] || echo ", Qt 5 then Qt 6")"
enter "$root" online "cd /root/tickora
    $commands
    dpkg-query -W -f=\"\\\${Package} \\\${Version}\n\" g++ cmake libcurl4-openssl-dev qtbase5-dev qt6-base-dev \
        appstream groff-base 2> /dev/null || true"
dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Package}\n' | sort | comm -13 "$root/root/before" - > "$root/root/added"
echo "the README's commands installed $(wc -l < "$root/root/added") packages to the $(wc -l < "$root/root/before") there before"

status=0
wait "$preparing" || status=$?
preparing=""
cat "$package_root.log"
rm -f "$package_root.log"
[ "$status" = 0 ] || { echo "the package's chroot could not be made" >&2; exit 1; }
stage "the package check"
TICKORA_CHROOT=$package_root scripts/package-check.sh "$suite"
stage "passed"
