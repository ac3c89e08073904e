#!/usr/bin/env bash
# Takes docs/tickora.png, the README's picture of the window, again from the program as it is:
# scripts/demo.sh runs it against the local stand-in service under Xvfb and openbox, xdotool
# types three more codes as a user would, and ImageMagick takes the window with its frame once
# it shows a rise and a fall; optipng makes the file small without losing a pixel.
#   scripts/screenshot.sh [FILE]    (default docs/tickora.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/tickora.png}")

. scripts/packages.sh
ensure_packages xvfb xauth xdotool imagemagick openbox optipng

xvfb-run -a -s "-screen 0 480x360x24 -dpi 96 -nolisten tcp" bash -euo pipefail -c '
    out=$1
    openbox > /dev/null 2>&1 &
    log=$(mktemp)
    # demo.sh builds first, when there is anything to build.
    scripts/demo.sh > "$log" 2>&1 &
    demo=$!
    window=$(timeout 600 xdotool search --sync --name "禾澜迷你股票监控器1.0" | head -n 1)
    xdotool windowmove --sync "$window" 20 20
    xdotool windowactivate --sync "$window"
    # From the default row down to the entry row; each code typed there adds a row, and Enter
    # lands on the new entry row.
    xdotool key --delay 100 Down
    for code in 000001 300750 002752; do
        xdotool type --delay 50 "$code"
        xdotool key --delay 100 Return
    done
    # Taken once every row has had its quote and the table shows a rise (orange) and a fall
    # (green): prices wander with every answer.
    requests=$(sed -n "s/.*requests are logged in \(.*\))$/\1/p" "$log")
    shows() { [ "$(convert "$out" -fill black -fuzz 1% +opaque "$1" -format "%[fx:maxima.r>0]" info:)" = 1 ]; }
    for _ in $(seq 60); do
        sleep 1
        grep -q "list=sz002752" "$requests" || continue
        import -frame -window "$window" "$out"
        shows "rgb(255,97,0)" && shows "rgb(127,255,0)" && break
    done
    # Closed as a user closes it, so that demo.sh stops the service behind it.
    xdotool key alt+F4
    timeout 30 tail --pid=$demo -f /dev/null
    rm -f "$log"
' screenshot "$out"
optipng -quiet -o7 -strip all "$out"
identify -format "%f: %w x %h pixels, %b\n" "$out"
