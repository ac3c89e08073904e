#!/usr/bin/env bash
# Builds the Debian package as Debian's build daemons build it, and checks it as Debian checks
# its own. In a fresh chroot of SUITE (default: this machine's release) that holds only
# build-essential and the Build-Depends: dpkg-buildpackage from a clone of the last commit, as a
# normal user with no network, the whole suite run by dh_auto_test; lintian on the .changes (any
# tag fails, the pedantic ones too); hardening-check on the packaged program; a second build of
# the same commit at another path, later, which must give the very same .deb; last, autopkgtest
# against the installed package (debian/tests). Run as root: it makes chroots and namespaces.
#   scripts/package-check.sh [SUITE]
#   scripts/package-check.sh --prepare [SUITE]   only make the chroot and install the Build-Depends
#                                                (with TICKORA_CHROOT, for a later run to use)
# TICKORA_ARCH=arm64 cross-builds the arm64 package instead (-Pcross,nocheck, in a chroot of its
# own with crossbuild-essential-arm64), checks it the same way, installs it as a foreign
# architecture's package and runs debian/tests' check through qemu's user-mode emulator.
# TICKORA_CHROOT=DIR keeps the chroot in DIR, and uses it again when it is there already.
set -euo pipefail
cd "$(dirname "$0")/.."
prepare=0
if [ "${1:-}" = --prepare ]; then
    prepare=1
    shift
fi
suite=${1:-$(. /etc/os-release && echo "$VERSION_CODENAME")}
arch=${TICKORA_ARCH:-native}
case "$arch" in
    native|arm64) ;;
    *) echo "TICKORA_ARCH must be arm64 or unset" >&2; exit 2 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "run as root: it makes a chroot and namespaces" >&2; exit 2; }

. scripts/packages.sh
. scripts/chroot.sh
ensure_packages mmdebstrap git iproute2 slirp4netns

root=${TICKORA_CHROOT:-}
[ -n "$root" ] || { root=$(mktemp -d /var/tmp/tickora-build-"$suite".XXXXXX); trap 'remove_chroot "$root"' EXIT; }
started=$SECONDS
stage() { echo "== package, $suite $arch: $1 ($((SECONDS - started)) s so far)"; }

build=(dpkg-buildpackage -us -uc)
builddep=(apt-get build-dep -y -qq)
chroot_options=(--variant=buildd)
if [ "$arch" = arm64 ]; then
    build+=(-a arm64 -Pcross,nocheck)
    builddep+=(-a arm64 -P cross,nocheck)
    chroot_options+=(--architectures=amd64,arm64 --include=crossbuild-essential-arm64)
fi
if [ ! -x "$root/usr/bin/dpkg-buildpackage" ]; then
    stage "making the chroot (build-essential alone)"
    make_chroot "$suite" "$root" "${chroot_options[@]}"
    # The normal user the package is built as.
    echo "builder:x:1000:1000::/build:/bin/sh" >> "$root/etc/passwd"
    echo "builder:x:1000:" >> "$root/etc/group"
fi
rm -rf "$root/build"
mkdir -p "$root/build/first" "$root/build/second/at/another/path"
for copy in first second/at/another/path; do
    git clone -q . "$root/build/$copy/tickora"
done
chown -R 1000:1000 "$root/build"

stage "installing the Build-Depends"
enter "$root" online "apt-get update -qq && DEBIAN_FRONTEND=noninteractive ${builddep[*]} /build/first/tickora > /dev/null"
if [ "$prepare" = 1 ]; then
    # What the checks after the build install, downloaded now but not installed, so that the
    # build still sees the Build-Depends alone.
    enter "$root" online "DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --download-only --no-install-recommends \
        lintian devscripts $([ "$arch" = native ] && echo autopkgtest || echo qemu-user-static) > /dev/null"
    stage "prepared"
    exit 0
fi

# as_builder DIR COMMAND... runs as the normal user in DIR, offline; its output goes to DIR.log,
# whose end is shown if it fails.
as_builder() {
    local dir=$1
    shift
    enter "$root" offline "cd $dir && runuser -u builder -- env HOME=/build $*" > "$root$dir.log" 2>&1 || {
        tail -n 150 "$root$dir.log" >&2
        echo "the build failed; its log: $root$dir.log" >&2
        return 1
    }
    grep -E '^(100% tests passed|[0-9]+% tests passed|Total Test time)' "$root$dir.log" || true
}
stage "building offline$([ "$arch" = native ] && echo ", with the suite")"
as_builder /build/first/tickora "DEB_BUILD_OPTIONS=parallel=$(nproc) ${build[*]}"
deb=$(cd "$root/build/first" && ls tickora_*.deb)
changes=$(cd "$root/build/first" && ls tickora_*.changes)
stage "building again at another path, later"
as_builder /build/second/at/another/path/tickora "DEB_BUILD_OPTIONS='nocheck parallel=$(nproc)' ${build[*]} -b"
sha256sum "$root/build/first/$deb" "$root/build/second/at/another/path/$deb" | sed "s|$root||"
if ! cmp -s "$root/build/first/$deb" "$root/build/second/at/another/path/$deb"; then
    echo "two builds of one commit gave different packages:" >&2
    enter "$root" online "apt-get install -y -qq --no-install-recommends diffoscope > /dev/null
        diffoscope /build/first/$deb /build/second/at/another/path/$deb" >&2 || true
    exit 1
fi
echo "two builds of $(git rev-parse --short HEAD) gave the same package"
enter "$root" offline "dpkg-deb --info /build/first/$deb | sed -n '/^ Package/,\$p'; dpkg-deb --contents /build/first/$deb"

stage "lintian and hardening-check"
enter "$root" online "DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends lintian devscripts > /dev/null"
# Testing's lintian runs ahead of the releases: it wants a newer Standards-Version than Debian 13's
# knows, debhelper compat 14, and no fields that its dpkg now takes as given. Its errors and
# warnings fail here too; its information and pedantic tags are shown.
fail_on=error,warning,info,pedantic
case "$suite" in testing|unstable|sid) fail_on=error,warning ;; esac
# The package's one override answers AppStream 1.0's validator. A lintian older than that check
# (Debian 12's) calls the override's tag unknown, and, older than Standards-Version 4.7.2, says
# so of that too, as it does of every backport.
enter "$root" offline "cd /build/first
    suppress=()
    if ! lintian-explain-tags appstream-metadata-validation-failed > /dev/null 2>&1; then
        suppress=(--suppress-tags alien-tag,newer-standards-version)
        echo \"lintian \$(lintian --print-version): alien-tag and newer-standards-version are expected here\"
    fi
    runuser -u builder -- lintian --fail-on $fail_on --display-info --pedantic \"\${suppress[@]}\" $changes
    echo \"lintian \$(lintian --print-version): passed, failing on $fail_on\"
    # Debian 12's start-up files carry no control-flow marker, so the linker drops the one
    # -fcf-protection gives; that check alone is not required. Debian 13's hardening-check also
    # looks for arm64's branch protection in every program, which no other architecture has.
    hardening=(--nocfprotection)
    if [ $arch != arm64 ] && [[ \$(hardening-check --help) == *--nobranchprotection* ]]; then
        hardening+=(--nobranchprotection)
    fi
    dpkg-deb -x $deb unpacked
    hardening-check \"\${hardening[@]}\" unpacked/usr/bin/tickora
    ! readelf -S unpacked/usr/bin/tickora | grep -q '\\.comment'"

if [ "$arch" = native ]; then
    stage "autopkgtest against the installed package"
    enter "$root" online "DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends autopkgtest > /dev/null
        autopkgtest --summary-file=/build/autopkgtest.summary /build/first/$deb /build/first/tickora/ -- null"
    cat "$root/build/autopkgtest.summary"
else
    stage "the arm64 package installed, started through the emulator"
    # What the installed package's test depends on, the package itself as the one just built.
    depends=$(sed -n 's/^Depends: //p' debian/tests/control | tr -d , | sed "s|\btickora\b|/build/first/$deb|")
    enter "$root" online "dpkg --add-architecture arm64
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $depends qemu-user-static > /dev/null
        cd /build/first/tickora
        debian/tests/window-shows-a-quote qemu-aarch64-static"
fi
stage "passed"
