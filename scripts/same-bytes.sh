#!/usr/bin/env bash
# Builds the shipped exe a second time, from a copy of the sources in another
# folder (another path, of another length) and at another time, and compares
# its SHA-256 with build/win32/Tarnwick.exe's: the same sources must give the
# same bytes, so that anyone can check that a deployed exe is the one built
# from a given commit. Exits 1 when they differ, saying where.
set -euo pipefail
cd "$(dirname "$0")/.."
shipped=build/win32/Tarnwick.exe
[ -f "$shipped" ] || { echo "no $shipped: build the win32 preset first" >&2; exit 1; }

copy=$(mktemp -d --tmpdir tarnwick-same-bytes.XXXXXX)
trap 'rm -rf "$copy"' EXIT
mkdir "$copy/elsewhere"
tar --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$copy/elsewhere"
(
    cd "$copy/elsewhere"
    cmake --preset win32 >/dev/null
    cmake --build --preset win32 >/dev/null
)
again=$copy/elsewhere/build/win32/Tarnwick.exe
first_sum=$(sha256sum <"$shipped" | cut -d' ' -f1)
again_sum=$(sha256sum <"$again" | cut -d' ' -f1)
echo "$first_sum  $PWD/$shipped"
echo "$again_sum  $again"
if [ "$first_sum" != "$again_sum" ]; then
    echo "the two builds differ (offset, byte here, byte there; offsets from 1):" >&2
    cmp -l "$shipped" "$again" | head -20 >&2 || true
    exit 1
fi
echo "same bytes"
