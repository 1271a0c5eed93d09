#!/usr/bin/env bash
# Runs every test under Wine, on a private X display so that the warning
# windows have a screen, with one wineserver kept up for the whole run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

scripts/make-prefix.sh

start_private_display
# Wine's own background processes (services, the desktop) are started now,
# detached from CTest's output pipes. Windows are unmanaged also in a prefix
# made before that setting.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
"$WINE" build/win64/tarnwick_driver.exe hold-desktop </dev/null >/dev/null 2>&1 &

ctest --preset win64 "$@"
