#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, starts the installed program under Xvfb
# until its window appears, closes that window, and removes the package again. Installs
# system-wide: meant for CI and for a machine of your own, not for a user's test run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TICKORA_BUILD_DIR:-build}

. scripts/packages.sh
ensure_packages dpkg-dev file xvfb xauth xdotool
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

[ -x "$build/tests/xclose" ] || { echo "build the tests first (scripts/dev.sh test)" >&2; exit 1; }
rm -f "$build"/tickora_*.deb
(cd "$build" && cpack -G DEB > /dev/null)
deb=$(ls "$build"/tickora_*.deb)
echo "built $deb"
dpkg-deb --field "$deb" Depends Recommends

$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" > /dev/null
trap '$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tickora > /dev/null' EXIT
test -x /usr/bin/tickora
test -f /usr/share/applications/org.tickora.Tickora.desktop

# Keep its requests on a closed loopback port: nothing leaves the machine.
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
    http_proxy=http://127.0.0.1:9 no_proxy="" NO_PROXY="" /usr/bin/tickora &
    program=$!
    window=$(timeout 30 xdotool search --sync --all --pid $program --name "禾澜迷你股票监控器1.0" | head -n 1)
    [ -n "$window" ] || { echo "no window appeared"; kill $program; exit 1; }
    echo "window $window appeared"
    "$0" "$window"
    timeout 30 tail --pid=$program -f /dev/null
    wait $program
' "$(realpath "$build/tests/xclose")"
echo "installed program showed its window and closed cleanly"
