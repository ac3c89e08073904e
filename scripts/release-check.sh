#!/usr/bin/env bash
# Does what a newcomer on a Debian release does, in a clean chroot of that release holding only
# what the README assumes (g++, cmake and make, and git to clone with): clones this
# repository's last commit and runs the README's test command for Qt 5 and for Qt 6, which
# install everything else they need themselves, with the network. Then the package check
# (scripts/package-check.sh) for that release, in a chroot of its own.
#   scripts/release-check.sh bookworm   Debian 12
#   scripts/release-check.sh trixie     Debian 13
#   scripts/release-check.sh testing
# The chroot's commands run in a network namespace of its own, given outbound access through
# slirp4netns, so that its X servers and test servers never meet this machine's.
# TICKORA_CHROOT=DIR keeps the newcomer's chroot in DIR, and uses it again when it is there.
set -euo pipefail
cd "$(dirname "$0")/.."
suite=${1:-}
[ -n "$suite" ] || { echo "usage: $0 SUITE (bookworm, trixie, testing, ...)" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "run as root: it makes a chroot and namespaces" >&2; exit 2; }

. scripts/packages.sh
. scripts/chroot.sh
ensure_packages mmdebstrap git iproute2 slirp4netns

root=${TICKORA_CHROOT:-}
[ -n "$root" ] || { root=$(mktemp -d /var/tmp/tickora-"$suite".XXXXXX); trap 'remove_chroot "$root"' EXIT; }
started=$SECONDS
stage() { echo "== $suite: $1 ($((SECONDS - started)) s so far)"; }

if [ ! -x "$root/usr/bin/apt-get" ]; then
    stage "making the chroot: what the README assumes, and git"
    make_chroot "$suite" "$root" --variant=apt --include=git,g++,cmake,make
fi
rm -rf "$root/root/tickora"
git clone -q . "$root/root/tickora"
dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Package}\n' | sort > "$root/root/before"

stage "the README's test command, Qt 5 then Qt 6"
enter "$root" online 'cd /root/tickora
    scripts/dev.sh test
    TICKORA_QT=6 scripts/dev.sh test
    dpkg-query -W -f="\${Package} \${Version}\n" g++ cmake libcurl4-openssl-dev qtbase5-dev qt6-base-dev \
        appstream groff-base 2> /dev/null || true'
dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Package}\n' | sort | comm -13 "$root/root/before" - > "$root/root/added"
echo "the README's commands installed $(wc -l < "$root/root/added") packages to the $(wc -l < "$root/root/before") there before"

stage "the package check"
scripts/package-check.sh "$suite"
stage "passed"
