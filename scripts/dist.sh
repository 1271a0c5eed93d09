#!/usr/bin/env bash
# make dist: the release, build/dist/Tarnwick-<version>.zip, holding
#   Tarnwick.exe  the shipped 32-bit build/win32/Tarnwick.exe, as built
#   README.txt    the administrator's part of README.md (from "What it does"
#                 to the edges), UTF-8 with a byte order mark and CR LF
#                 line ends, as Notepad on Windows XP reads it
#   SHA256SUMS    the SHA-256 of both, CR LF (sha256sum -c reads it)
# and prints the zip's path and SHA-256. The version is the one project() in
# CMakeLists.txt gives the build. The zip's bytes follow from its files: they
# are stored in a fixed order, with the commit's time (or SOURCE_DATE_EPOCH)
# as their time and without the owner or other Unix attributes.
set -euo pipefail
cd "$(dirname "$0")/.."

exe=build/win32/Tarnwick.exe
cache=build/win32/CMakeCache.txt
[ -f "$exe" ] && [ -f "$cache" ] || { echo "dist: build the win32 preset first (make build)" >&2; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$cache")
[ -n "$version" ] || { echo "dist: no project version in $cache" >&2; exit 1; }

stage=build/dist/stage
zip=build/dist/Tarnwick-$version.zip
rm -rf "$stage" "$zip"
mkdir -p "$stage"
cp "$exe" "$stage/Tarnwick.exe"

# The README's sections for the administrator, from "What it does" up to
# "Building and testing", without the picture (a link to a file the zip does
# not hold).
first='## What it does'
after='## Building and testing'
grep -qx "$first" README.md && grep -qx "$after" README.md ||
    { echo "dist: README.md no longer has the lines '$first' and '$after'" >&2; exit 1; }
{
    printf '\xef\xbb\xbfTarnwick %s\n\n' "$version"
    awk -v first="$first" -v after="$after" '
        $0 == first { on = 1 }
        $0 == after { exit }
        on && !/^!\[/ { print }' README.md
} | sed 's/$/\r/' >"$stage/README.txt"

(cd "$stage" && sha256sum Tarnwick.exe README.txt | sed 's/$/\r/' >SHA256SUMS)

# Fixed times (the zip holds local times: UTC here), modes and order.
stamp=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 946684800)}
chmod 644 "$stage"/*
TZ=UTC touch -d "@$stamp" "$stage"/*
(cd "$stage" && TZ=UTC zip -q -X -D "../$(basename "$zip")" Tarnwick.exe README.txt SHA256SUMS)
rm -rf "$stage"

echo "$zip"
sha256sum "$zip" | cut -d' ' -f1
