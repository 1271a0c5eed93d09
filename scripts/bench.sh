#!/usr/bin/env bash
# make bench: times one check against its floor (a do-nothing exe and the
# lines the check logs), under Wine, in a prefix of its own
# (build/bench-prefix) so that its registry identity and files never meet
# the tests'. Usage: scripts/bench.sh [runs [EXE...]]: runs are rounds
# (default 121); each EXE, a 64-bit build of the program made another way,
# is timed on the 20-file store beside the build's own (see
# bench/bench_main.cpp).
#
# The times are taken inside Wine by a Windows program (tarnwick_bench.exe)
# that starts each exe with CreateProcess and waits for it, as Explorer or a
# logon script starts the program. Each start is a new Wine process either
# way, so timing `wine64 exe` from the shell would add only the shell's own
# fork and the wine64 command to both sides; timing inside keeps the clock
# next to the start and the exit, and needs no process per measurement.
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX=$PWD/build/bench-prefix
source scripts/wine-env.sh
runs=${1:-121}
# The builds without a start-up trick, then any given on the command line.
others=("Z:$(realpath build/win64/Tarnwick-window-dlls-at-start.exe | tr / '\\')"
        "Z:$(realpath build/win64/Tarnwick-advapi32-at-start.exe | tr / '\\')")
for exe in "${@:2}"; do others+=("Z:$(realpath "$exe" | tr / '\\')"); done

for exe in Tarnwick empty_gui tarnwick_bench Tarnwick-slowed Tarnwick-window-dlls-at-start Tarnwick-advapi32-at-start; do
    [ -f build/win64/$exe.exe ] || { echo "bench: build/win64/$exe.exe missing: run make build" >&2; exit 2; }
done
scripts/make-prefix.sh

# A private X display: the check opens no window here, but a failure would
# show its message box, and user32 should find the display it expects.
start_private_display

# One wineserver for the whole bench, and Wine's own background processes
# started before anything is timed.
"$WINE" build/win64/empty_gui.exe </dev/null >/dev/null 2>&1 || true

echo "Tarnwick bench: scripts/bench.sh $runs (make bench)"
echo "machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(uname -sr)"
echo "wine:    $("$WINE" --version), prefix $WINEPREFIX"
echo "load:    $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min) before the bench"
echo
status=0
"$WINE" build/win64/tarnwick_bench.exe "$runs" "${others[@]}" </dev/null || status=$?
echo
echo "load:    $(cut -d' ' -f1-3 /proc/loadavg) after the bench"
exit $status
