#!/usr/bin/env bash
# Runs every test under Wine, on a private X display so that the warning
# windows have a screen, with one wineserver kept up for the whole run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

scripts/make-prefix.sh

# A free display number of our own.
display=90
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
export DISPLAY=:$display

# Start Wine's own background processes (wineserver, services, the desktop)
# now, detached from CTest's output pipes: CTest would otherwise wait on them
# until each test's time-out.
# A wineserver left from an earlier command without this display would keep
# its desktop there, where no window can open: stop it first.
"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINESERVER" -p >/dev/null 2>&1 </dev/null || true
# Xvfb has no window manager. Wine would wait for one, two seconds each time
# a window is hidden, unless its windows are unmanaged.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
"$WINE" build/win64/tarnwick_driver.exe warm-up </dev/null >/dev/null 2>&1 || true

ctest --preset win64 "$@"
