#!/usr/bin/env bash
# Opens the window against the local fake quote service instead of the real one:
# the service runs on a free loopback port and the program reaches it through http_proxy.
#   scripts/demo.sh [--delay MS]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${TICKORA_BUILD_DIR:-build}
if [ ! -x "$build/tests/fakequote" ] || [ ! -x "$build/app/tickora" ]; then
    scripts/dev.sh test >/dev/null || true   # installs and builds everything, the service included
fi

log=$(mktemp)
"$build/tests/fakequote" "$@" 2>"$log" > "$log.port" &
service=$!
trap 'kill $service 2>/dev/null; rm -f "$log" "$log.port"' EXIT
for _ in $(seq 50); do
    grep -q listening "$log.port" && break
    sleep 0.1
done
url=$(sed -n 's/^listening on //p' "$log.port")
echo "fake quote service at $url (requests are logged in $log)"
http_proxy=$url no_proxy='' NO_PROXY='' "$build/app/tickora"
