#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, starts the installed program under Xvfb
# until its window appears, closes that window, and removes the package again. Installs
# system-wide: meant for CI and for a machine of your own, not for a user's test run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TICKORA_BUILD_DIR:-build}

. scripts/packages.sh
ensure_packages dpkg-dev file xvfb xauth xdotool lintian man-db
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

[ -x "$build/tests/xclose" ] || { echo "build the tests first (scripts/dev.sh test)" >&2; exit 1; }
rm -f "$build"/tickora_*.deb
(cd "$build" && cpack -G DEB > /dev/null)
deb=$(ls "$build"/tickora_*.deb)
echo "built $deb"
dpkg-deb --field "$deb" Depends Recommends
# Errors and warnings fail the check; informational tags are printed only.
lintian --fail-on error,warning --display-info "$deb"

$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" > /dev/null
trap '$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tickora > /dev/null' EXIT
test -x /usr/bin/tickora
test -f /usr/share/applications/org.tickora.Tickora.desktop
man -w tickora > /dev/null

# Its requests go to the stand-in service on loopback: nothing leaves the machine.
"$build/tests/fakequote" --port 0 > "$build/fakequote.out" 2> /dev/null &
service=$!
trap '$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tickora > /dev/null; kill $service' EXIT
for _ in $(seq 100); do grep -q listening "$build/fakequote.out" && break; sleep 0.1; done
proxy=$(sed -n 's/^listening on //p' "$build/fakequote.out")
[ -n "$proxy" ] || { echo "the stand-in service did not start" >&2; exit 1; }
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" env http_proxy="$proxy" bash -c '
    no_proxy="" NO_PROXY="" /usr/bin/tickora &
    program=$!
    window=$(timeout 30 xdotool search --sync --all --pid $program --name "禾澜迷你股票监控器1.0" | head -n 1)
    [ -n "$window" ] || { echo "no window appeared"; kill $program; exit 1; }
    echo "window $window appeared"
    "$0" "$window"
    timeout 30 tail --pid=$program -f /dev/null
    wait $program
' "$(realpath "$build/tests/xclose")"
echo "installed program showed its window and closed cleanly"
