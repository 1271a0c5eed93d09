#!/usr/bin/env bash
# make dist: the release, build/dist/Tarnwick-<version>.zip, holding
#   Tarnwick.exe     the shipped 32-bit build/win32/Tarnwick.exe, as built
#   README.txt       the administrator's part of README.md (from "Which PCs"
#                    up to "For developers")
#   rollout.txt      docs/rollout.md
#   users-ja.txt     docs/users-ja.md
#   helpdesk-ja.txt  docs/helpdesk-ja.md
#   SHA256SUMS       the SHA-256 of every other file, CR LF (sha256sum -c reads it)
# The text files are UTF-8 with a byte order mark and CR LF line ends, as
# Notepad on Windows XP reads them; a link between them names the text file.
# Then it checks the zip it wrote and prints its path and SHA-256. The
# version is the one project() in CMakeLists.txt gives the build. The zip's
# bytes follow from its files: they are stored in a fixed order, with the
# commit's time (or SOURCE_DATE_EPOCH) as their time and without the owner or
# other Unix attributes.
set -euo pipefail
cd "$(dirname "$0")/.."

exe=build/win32/Tarnwick.exe
cache=build/win32/CMakeCache.txt
[ -f "$exe" ] && [ -f "$cache" ] || { echo "dist: build the win32 preset first (make build)" >&2; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$cache")
[ -n "$version" ] || { echo "dist: no project version in $cache" >&2; exit 1; }

texts=(README.txt rollout.txt users-ja.txt helpdesk-ja.txt)
files=(Tarnwick.exe "${texts[@]}" SHA256SUMS)

stage=build/dist/stage
zip=build/dist/Tarnwick-$version.zip
rm -rf "$stage" "$zip"
mkdir -p "$stage"
cp "$exe" "$stage/Tarnwick.exe"

# Markdown links become plain text: one to a heading keeps its words, one to
# a guide names the guide's text file, and a picture (a file the zip does not
# hold) is left out.
as_text() {
    sed -E -e '/^!\[/d' \
        -e 's/\[([^]]*)\]\(#[^)]*\)/\1/g' \
        -e 's/\[([^]]*)\]\((docs\/)?(rollout|users-ja|helpdesk-ja)\.md\)/\1 (\3.txt)/g' |
        sed 's/$/\r/'
}

first='## Which PCs'
after='## For developers'
grep -qx "$first" README.md && grep -qx "$after" README.md ||
    { echo "dist: README.md no longer has the lines '$first' and '$after'" >&2; exit 1; }
{
    printf '\xef\xbb\xbfTarnwick %s\n\n' "$version"
    awk -v first="$first" -v after="$after" '
        $0 == first { on = 1 }
        $0 == after { exit }
        on { print }' README.md
} | as_text >"$stage/README.txt"
for guide in rollout users-ja helpdesk-ja; do
    { printf '\xef\xbb\xbf'; cat "docs/$guide.md"; } | as_text >"$stage/$guide.txt"
done

(cd "$stage" && sha256sum Tarnwick.exe "${texts[@]}" | sed 's/$/\r/' >SHA256SUMS)

# Fixed times (the zip holds local times: UTC here), modes and order.
stamp=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 946684800)}
chmod 644 "$stage"/*
TZ=UTC touch -d "@$stamp" "$stage"/*
(cd "$stage" && TZ=UTC zip -q -X -D "../$(basename "$zip")" "${files[@]}")
rm -rf "$stage"

# The check of what was written: the zip's list of files, the sums, each text
# file's byte order mark and line ends, and every file a text names is in
# the zip (no link left to a Markdown file or a folder the zip lacks).
fail() { echo "dist: $zip: $*" >&2; exit 1; }
listed=$(unzip -Z1 "$zip" | tr '\n' ' ')
[ "$listed" = "${files[*]} " ] || fail "holds '$listed', not '${files[*]} '"
check=$(mktemp -d)
trap 'rm -rf "$check"' EXIT
unzip -q "$zip" -d "$check"
(cd "$check" && tr -d '\r' <SHA256SUMS | sha256sum --quiet -c -) || fail "SHA256SUMS does not match"
[ "$(tr -d '\r' <"$check/SHA256SUMS" | awk '{ print $2 }' | tr '\n' ' ')" = "Tarnwick.exe ${texts[*]} " ] ||
    fail "SHA256SUMS does not cover every other file"
for text in "${texts[@]}"; do
    [ "$(head -c3 "$check/$text" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "$text has no byte order mark"
    ! grep -qv $'\r$' "$check/$text" || fail "$text has a line without CR LF"
    ! grep -qE '\]\(|\.md\b|(^|[^a-z])docs/' "$check/$text" || fail "$text still links to a Markdown file or docs/"
    for named in $(grep -oE "\([a-z-]+\.txt\)" "$check/$text" | tr -d "()" | sort -u); do
        [ -f "$check/$named" ] || fail "$text names $named, which the zip does not hold"
    done
done

echo "$zip"
sha256sum "$zip" | cut -d' ' -f1
