// mdlIniFle: the profile file, through the system's profile service. The file
// is named by its real path (the wide functions); its text keeps the encoding
// it has: a new file, or one without a UTF-16 byte order mark, is read and
// written in the ANSI code page.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Values are read up to this many bytes in the ANSI code page, whole
// characters only: the texts of the profile, and exemptions, are documented so.
inline constexpr std::size_t kReadLimitBytes = 1023;

// The key's value, or the empty text when the file, section or key is missing
// or the value is empty. Values longer than 1023 bytes in the ANSI code page
// come back cut to the whole characters that fit in 1023 bytes.
std::wstring ReadIniString(const std::wstring& path, const std::wstring& section,
                           const std::wstring& key);

// The same, whole, however long.
std::wstring ReadIniValue(const std::wstring& path, const std::wstring& section,
                          const std::wstring& key);

// The text cut as ReadIniString cuts a value; `cut` tells whether anything was.
std::wstring CutToReadLimit(const std::wstring& text, bool* cut);

// The names of the keys that have a value in the section, in file order.
std::vector<std::wstring> ReadIniKeys(const std::wstring& path, const std::wstring& section);

// Writes the key, creating file and section as needed, and reads it back from
// the file itself (the service's cache is dropped first). A value with a
// leading or trailing space is stored in double quotes, which the reader
// removes. Returns 0 when ReadIniString now gives the value, otherwise the
// Windows error number of the failure (ERROR_WRITE_FAULT when the service
// reported none).
unsigned long WriteIniString(const std::wstring& path, const std::wstring& section,
                             const std::wstring& key, const std::wstring& value);

// True when the file is UTF-8 that Windows' profile service would misread:
// it reads only the UTF-16 byte order mark, so a UTF-8 one sticks to the
// first line and hides its section, and UTF-8 text comes out garbled in the
// ANSI code page. That is a file that starts with the UTF-8 mark (under every
// code page), or, while the ANSI code page is not UTF-8, valid UTF-8 holding
// a character of three bytes or more (Japanese text is made of those; two-
// byte sequences alone can be Shift-JIS half-width kana). False for a file
// that is missing or cannot be read.
bool IsMisreadUtf8(const std::wstring& path);

// False when a write through the service could damage the rest of the file:
// the service reads the whole file in the ANSI code page and writes all of
// it back, so a file whose text does not survive that trip loses what it
// had. Judged by the characters, not the bytes (code page 932 gives some
// characters two codes; either reads back as the same character): bytes the
// code page does not define, and NUL bytes, do not survive. True for a file
// that is missing or cannot be read (there is nothing to damage that the
// write could reach) and for UTF-16 with its byte order mark (kept UTF-16).
bool RewriteKeepsText(const std::wstring& path);
