#!/usr/bin/env bash
# Builds the Debian package and checks it as Debian checks its own: lintian (any tag fails, the
# pedantic ones too), hardening-check on the packaged program, no .comment section. Builds it
# again from two clones of the last commit at other paths, later, and requires the very same
# bytes. Then installs it with apt-get, starts the installed program under Xvfb until its window
# appears, closes that window, and removes the package again. Installs system-wide: meant for CI
# and for a machine of your own, not for a user's test run.
# TICKORA_ARCH=arm64 does the same for the arm64 package of the cross build in build-arm64/: it is
# installed as a foreign architecture's package and started through qemu's user-mode emulator.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${TICKORA_ARCH:-native}
cross=()
run=()
case "$arch" in
    native) build=${TICKORA_BUILD_DIR:-build} ;;
    arm64)
        build=${TICKORA_BUILD_DIR:-build-arm64}
        cross=("-DCMAKE_TOOLCHAIN_FILE=scripts/toolchain-arm64.cmake")
        run=(qemu-aarch64-static)
        ;;
    *) echo "TICKORA_ARCH must be arm64 or unset" >&2; exit 2 ;;
esac

. scripts/packages.sh
ensure_packages "${package_check_packages[@]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
scratch=$(mktemp -d)
cleanup() { rm -rf "$scratch"; }
trap cleanup EXIT

[ -x "$build/tests/xclose" ] || { echo "build the tests first (scripts/dev.sh test)" >&2; exit 1; }
rm -f "$build"/tickora_*.deb
(cd "$build" && cpack -G DEB > /dev/null)
deb=$(ls "$build"/tickora_*.deb)
echo "built $deb"
dpkg-deb --field "$deb" Depends Recommends
# The package's one override (packaging/lintian-overrides) answers AppStream 1.0's validator; a
# lintian older than that check (Debian 12's) calls the override's tag unknown.
suppress=()
lintian-explain-tags appstream-metadata-validation-failed > /dev/null 2>&1 || suppress=(--suppress-tags alien-tag)
lintian --fail-on error,warning,info,pedantic --display-info --pedantic "${suppress[@]}" "$deb"

# Hardened: Debian 12's start-up files carry no control-flow marker, so the linker drops the one
# -fcf-protection gives; that check alone is not required. Debian 13's hardening-check also looks
# for arm64's branch protection in every program, which no other architecture has.
dpkg-deb -x "$deb" "$scratch/unpacked"
hardening=(--nocfprotection)
if [ "$(dpkg-deb --field "$deb" Architecture)" != arm64 ] && [[ $(hardening-check --help) == *--nobranchprotection* ]]; then
    hardening+=(--nobranchprotection)
fi
hardening-check "${hardening[@]}" "$scratch/unpacked/usr/bin/tickora"
if readelf -S "$scratch/unpacked/usr/bin/tickora" | grep -q '\.comment'; then
    echo "the packaged program keeps its .comment section" >&2
    exit 1
fi

# Reproducible: two clones at different paths, built one after the other, give one package.
for copy in first second/at/another/path; do
    git clone -q . "$scratch/$copy"
    (cd "$scratch/$copy" && cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKORA_BUILD_TESTS=OFF \
        "${cross[@]}" > /dev/null)
    cmake --build "$scratch/$copy/build" -j"$(nproc)" > /dev/null
    (cd "$scratch/$copy/build" && cpack -G DEB > /dev/null)
done
first=$(ls "$scratch"/first/build/tickora_*.deb)
second=$(ls "$scratch"/second/at/another/path/build/tickora_*.deb)
sha256sum "$first" "$second"
if ! cmp -s "$first" "$second"; then
    echo "two builds of one commit gave different packages:" >&2
    ensure_packages diffoscope
    diffoscope "$first" "$second" >&2 || true
    exit 1
fi
echo "two builds of $(git rev-parse --short HEAD) gave the same package"

$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" > /dev/null
trap 'cleanup; $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tickora > /dev/null' EXIT
test -x /usr/bin/tickora
test -f /usr/share/applications/org.tickora.Tickora.desktop
man -w tickora > /dev/null

# Its requests go to the stand-in service on loopback: nothing leaves the machine.
"${run[@]}" "$build/tests/fakequote" --port 0 > "$build/fakequote.out" 2> /dev/null &
service=$!
trap 'cleanup; $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tickora > /dev/null; kill $service' EXIT
for _ in $(seq 100); do grep -q listening "$build/fakequote.out" && break; sleep 0.1; done
proxy=$(sed -n 's/^listening on //p' "$build/fakequote.out")
[ -n "$proxy" ] || { echo "the stand-in service did not start" >&2; exit 1; }
# Through the emulator, a foreign program's process is the emulator's: its window carries that id.
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" env http_proxy="$proxy" bash -c '
    no_proxy="" NO_PROXY="" "$@" /usr/bin/tickora &
    program=$!
    window=$(timeout 60 xdotool search --sync --all --pid $program --name "禾澜迷你股票监控器1.0" | head -n 1)
    [ -n "$window" ] || { echo "no window appeared"; kill $program; exit 1; }
    echo "window $window appeared"
    "$@" "$0" "$window"
    timeout 30 tail --pid=$program -f /dev/null
    wait $program
' "$(realpath "$build/tests/xclose")" "${run[@]}"
echo "installed program showed its window and closed cleanly"
