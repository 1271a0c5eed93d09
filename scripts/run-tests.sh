#!/usr/bin/env bash
# Runs every test under Wine, on a private X display so that the warning
# windows have a screen: first the 64-bit suite (unit, end-to-end, checks of
# the shipped exe's file), then the shipped 32-bit exe driven by the 32-bit
# build of the end-to-end tests, and the unit tests built for i686, under the
# 32-bit Wine. Each suite keeps one wineserver up for its whole run.
# Arguments go to both ctest runs (-R FirstRun runs the FirstRun cases of
# both).
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh

scripts/make-prefix.sh || exit 1
scripts/wine32-setup.sh || exit 1

# Wine's own background processes (services, the desktop) are started now,
# detached from CTest's output pipes, and a hidden window of the driver keeps
# the desktop up between test programs. Windows are unmanaged also in a
# prefix made before that setting.
hold_desktop() {
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
    "$WINE" "$1/tarnwick_driver.exe" hold-desktop </dev/null >/dev/null 2>&1 &
}

start_private_display || exit 1
hold_desktop build/win64
status=0
ctest --preset win64 "$@" || status=1
"$WINESERVER" -k >/dev/null 2>&1 || true

(
    export TARNWICK_WINE=32
    unset WINEPREFIX  # the 64-bit suite's
    source scripts/wine-env.sh
    keep_wineserver
    trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT
    hold_desktop build/win32-tests
    start=$SECONDS
    ctest --preset win32-tests "$@"
    result=$?
    echo "shipped 32-bit exe: $((SECONDS - start)) s under the 32-bit Wine (qemu-i386)"
    exit $result
) || status=1
exit $status
