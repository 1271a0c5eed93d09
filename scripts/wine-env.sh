# Sourced by the scripts that run Windows programs: one place for the
# environment Wine needs to behave like a Japanese Windows.
#
# TARNWICK_WINE=32 selects the 32-bit Wine that runs the shipped exe (under
# qemu-i386, see wine32-setup.sh) and its own prefix; anything else the
# 64-bit Wine that runs the test build.
TARNWICK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Code page 932 for the ANSI calls, and Japanese file names decoded right.
export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install prompts on a new prefix, and a crash ends the
# process with its code instead of waiting in the debugger (under qemu the
# code is always 0xC000001D, whatever the fault).
export WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d'
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver
if [ "${TARNWICK_WINE:-64}" = 32 ]; then
    export TARNWICK_WINE=32
    WINE32_HOME=$TARNWICK_ROOT/build/wine32
    WINE32_ROOT=$WINE32_HOME/root
    # qemu 7.2 ignores MAP_FIXED_NOREPLACE: with a 4 GiB guest space, Wine's
    # reservation of its high memory turns into tens of thousands of map
    # calls (30-45 s a process). A 2 GiB guest space makes a start cheap;
    # Wine then warns "check_vmsplit" on every start, harmlessly.
    WINE32_QEMU_OPTIONS="-R 0x7fff0000"
    export WINEPREFIX=${WINEPREFIX:-$WINE32_HOME/prefix} WINEARCH=win32
    WINE=$TARNWICK_ROOT/scripts/wine32-run
else
    export WINEPREFIX=${WINEPREFIX:-$TARNWICK_ROOT/build/wineprefix}
    # Wine's 64-bit loader directly: this kernel runs no 32-bit code.
    WINE=/usr/lib/wine/wine64
fi

# Starts Xvfb on a display number of its own choosing, exports DISPLAY, and
# keeps one wineserver up for the prefix; both end when the script exits.
# Xvfb has no window manager: the prefix's windows are unmanaged (see
# make-prefix.sh), so Wine does not wait for one.
start_private_display() {
    local number_file
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    TARNWICK_XVFB=$!
    trap stop_private_display EXIT
    for _ in $(seq 100); do [ -s "$number_file" ] && break; sleep 0.05; done
    [ -s "$number_file" ] || { echo "Xvfb did not start" >&2; rm -f "$number_file"; return 1; }
    export DISPLAY=:$(head -n 1 "$number_file")
    rm -f "$number_file"
    keep_wineserver
}

# A wineserver started by an earlier command keeps its desktop on the display
# it had (or none): end it, so that the next one starts on this one, and keep
# that one up between programs. Started here, detached from any output pipe
# that a caller (CTest) would otherwise wait on until its time-out.
keep_wineserver() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
    "$WINESERVER" -p >/dev/null 2>&1 </dev/null || true
}

stop_private_display() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    kill "$TARNWICK_XVFB" 2>/dev/null || true
}
