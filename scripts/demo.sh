#!/usr/bin/env bash
# Opens the window against the local fake quote service instead of the real one:
# the service runs on a free loopback port and the program reaches it through http_proxy.
#   scripts/demo.sh [--delay MS]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${TICKORA_BUILD_DIR:-build}
# The program and the stand-in service, nothing else; a failed build stops here with its error.
. scripts/packages.sh
ensure_packages "${build_packages[@]}" "${qt5_packages[@]}" "${qt5_test_packages[@]}" libssl-dev zlib1g-dev libx11-dev
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKORA_BUILD_TESTS=ON > /dev/null
cmake --build "$build" -j"$(nproc)" --target tickora fakequote

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
