#!/usr/bin/env bash
# Creates a Wine prefix that behaves like a Japanese Windows: code page 932
# (from the locale in wine-env.sh) and Japanese fonts for the faces that
# Windows programs ask for. Usage: make-prefix.sh [PREFIX]
set -euo pipefail
[ $# -ge 1 ] && export WINEPREFIX=$(realpath -m "$1")
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

# Wine draws the buttons of a window frame with the Marlett font, but does not
# find the copy it ships (package fonts-wine): without one the close button
# shows a letter "r". Windows keeps Marlett among its fonts; so does the prefix.
add_marlett() {
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
    fi
}

if [ -f "$WINEPREFIX/.tarnwick-ready" ]; then add_marlett; exit 0; fi
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
"$WINE" wineboot -i >/dev/null 2>&1
"$WINESERVER" -w

# regedit reads a .reg file in the ANSI code page: write it in CP932.
reg=$(mktemp --suffix=.reg)
trap 'rm -f "$reg"' EXIT
iconv -f UTF-8 -t CP932 > "$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS PGothic"="IPAPGothic"
"MS UI Gothic"="IPAPGothic"
"MS Shell Dlg"="IPAPGothic"
"MS Shell Dlg 2"="IPAPGothic"
"Tahoma"="IPAPGothic"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"
"Managed"="N"
REG
"$WINE" regedit "Z:${reg//\//\\}" >/dev/null 2>&1
"$WINESERVER" -w
add_marlett
touch "$WINEPREFIX/.tarnwick-ready"
