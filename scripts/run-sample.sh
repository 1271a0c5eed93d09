#!/usr/bin/env bash
# `make run`: one check by the shipped 32-bit exe against a sample mail
# store, under the 32-bit Wine (see wine32-setup.sh), in a prefix of its own
# with a demo identity. With a display you see the real warning windows
# and act yourself; without one the check runs on a private X display, each
# warning window is saved as a picture, the first is closed with its box
# ticked and the others without, and then a second check shows the
# exemption honoured.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/wine32-setup.sh
export TARNWICK_WINE=32 WINEPREFIX=$root/build/run/prefix
source scripts/wine-env.sh

scripts/make-prefix.sh

identity='{6A4C1E52-8F3B-4D27-9C15-2B7E0D9A4F61}'
user_profile=$("$WINE" cmd /c echo %UserProfile% 2>/dev/null | tr -d '\r')
store_unix=$("$WINE" winepath -u "$user_profile" 2>/dev/null)"/Local Settings/Application Data/Identities/$identity/Microsoft/Outlook Express"

# A fresh sample on every run: the program beside its profile and log, and a
# store whose big folder files are sparse (they take no disk).
program=$root/build/run/Tarnwick
rm -rf "$program" "$store_unix"
mkdir -p "$program" "$store_unix" "$root/build/run/shots"
cp build/win32/Tarnwick.exe "$program/"
size() { truncate -s "$2" "$store_unix/$1"; }
size '受信トレイ.dbx'          2400000000   # past 2 GiB: the room left is negative
size '送信済みアイテム.dbx'    1300000000   # over the 1 GB warning size
size '削除済みアイテム.dbx'       5300000
size '送信トレイ.dbx'               75000
size '下書き.dbx'                   92000
size 'Folders.dbx'                 120000
size 'Offline.dbx'                   1024
size 'Pop3uidl.dbx'                 58000
size 'cleanup.log'                   2048   # not a folder file: not looked at

# The location as the mail program records it, with its own reference.
"$WINE" reg add 'HKCU\Identities' /v 'Default User ID' /d "$identity" /f >/dev/null
"$WINE" reg add "HKCU\\Identities\\$identity\\Software\\Microsoft\\Outlook Express\\5.0" \
    /v 'Store Root' /t REG_EXPAND_SZ \
    /d "%UserProfile%\\Local Settings\\Application Data\\Identities\\$identity\\Microsoft\\Outlook Express" \
    /f >/dev/null

exe_win="Z:${program//\//\\}\\Tarnwick.exe"
show_log() {
    echo "---- $1: build/run/Tarnwick/Tarnwick.log (code page 932, shown in UTF-8) ----"
    iconv -f CP932 -t UTF-8 "$program/Tarnwick.log" | tr -d '\r'
    echo "---- exit status $2 ----"
}

if [ -n "${DISPLAY:-}" ] && [ -z "${TARNWICK_HEADLESS:-}" ]; then
    echo "Running Tarnwick on $DISPLAY: answer the warning windows yourself."
    status=0
    (cd "$program" && "$WINE" "$exe_win") || status=$?
    show_log "check" "$status"
    exit 0
fi

start_private_display
driver="$root/build/win32-tests/tarnwick_driver.exe"
shots_win="Z:${root//\//\\}\\build\\run\\shots"
rm -f build/run/shots/* build/run/warning-*.png

echo "== First check: the first warning is closed with its box ticked, the others without =="
status=0
"$WINE" "$driver" run "$exe_win" --shots "$shots_win" --tick-first || status=$?
for bmp in build/run/shots/warning-*.bmp; do
    [ -e "$bmp" ] || continue
    png=build/run/$(basename "${bmp%.bmp}").png
    convert "$bmp" "$png" && echo "picture: $png"
done
show_log "first check" "$status"

echo
echo "== Second check: the exempted folder is skipped, the other still warned about =="
status=0
"$WINE" "$driver" run "$exe_win" || status=$?
show_log "second check" "$status"
echo
echo "Profile build/run/Tarnwick/Tarnwick.ini:"
iconv -f CP932 -t UTF-8 "$program/Tarnwick.ini" | tr -d '\r'
