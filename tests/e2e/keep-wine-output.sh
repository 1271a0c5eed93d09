#!/usr/bin/env bash
# Runs the end-to-end test program (through the Wine runner given as the
# first argument) with its standard error in a file of its own, named to it
# by TARNWICK_WINE_OUTPUT. Every program it starts writes its Wine debug
# output there too: Wine gives a started program the Unix standard error of
# the program that starts it, whatever error handle that one passes, so this
# file is where the harness reads what a run of Tarnwick.exe printed (its
# events). The file goes to standard error once the program has ended.
set -u
output=$(mktemp --tmpdir tarnwick-wine-output.XXXXXX) || exit 1
export TARNWICK_WINE_OUTPUT=$output
"$@" 2>>"$output"
status=$?
cat "$output" >&2
rm -f "$output"
exit $status
