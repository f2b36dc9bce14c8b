#!/usr/bin/env bash
# Starts the real program under Xvfb and checks what the entry routine sets
# up: a window titled "Feldmoor" (not the form's "Widget") carrying the
# 128x128 icon, with the device line as the probe left it.
# Usage: startup.sh <path to feldmoor>
set -euo pipefail
program="$1"

if ! command -v xvfb-run >/dev/null || ! command -v xprop >/dev/null; then
    echo "xvfb-run or xprop missing: skipped"
    exit 77
fi

# A real X server this time, whatever the suite around it runs on.
unset QT_QPA_PLATFORM

bus="$(mktemp -d)"
trap 'rm -rf "$bus"' EXIT
mkdir "$bus/adapter0"

QB562_SIM_DIR="$bus" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$0" &
    app=$!
    id=""
    for _ in $(seq 100); do
        id=$(xwininfo -root -tree | awk "/\"Feldmoor\"/ { print \$1; exit }")
        [ -n "$id" ] && break
        sleep 0.1
    done
    status=0
    if [ -z "$id" ]; then
        echo "FAIL: no window titled Feldmoor"; xwininfo -root -tree; status=1
    else
        if xwininfo -root -tree | grep -q "\"Widget\""; then
            echo "FAIL: a window is still titled Widget"; status=1
        fi
        # _NET_WM_ICON holds width, height, then the pixels of each size.
        icon=$(xprop -id "$id" -notype 32c _NET_WM_ICON | head -c 200)
        case "$icon" in
            *"= 128, 128,"*) echo "icon: 128x128" ;;
            *) echo "FAIL: no 128x128 icon: $icon"; status=1 ;;
        esac
    fi
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    exit $status
' "$program"
echo "PASS: titled Feldmoor with its icon"
