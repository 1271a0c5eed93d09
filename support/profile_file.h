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

// The error WriteIniString gives for a section, key or value that the file
// cannot hold exactly (ERROR_NO_UNICODE_TRANSLATION).
inline constexpr unsigned long kTextNotAnsi = 1113;

// Writes the key, creating file and section as needed, and reads it back from
// the file itself (the service's cache is dropped first). A value with a
// leading or trailing space is stored in double quotes, which the reader
// removes. Nothing is written, and kTextNotAnsi given, when the section, key
// or value holds a NUL, or, unless the file is UTF-16 with its byte order
// mark, a character the ANSI code page cannot hold (the service would store
// a look-alike or '?'). Returns 0 when ReadIniString now gives the value,
// otherwise the Windows error number of the failure (ERROR_WRITE_FAULT when
// the service reported none).
unsigned long WriteIniString(const std::wstring& path, const std::wstring& section,
                             const std::wstring& key, const std::wstring& value);

// How long another program's hold on the profile is waited out.
inline constexpr unsigned long kHoldWaitMs = 2000;

// Opens the profile and reads it through, as the profile service will, and
// gives 0 when that works or the file is missing (a first run), otherwise the
// Windows error number. A hold by another program (32, 33: a virus scanner,
// a policy refresh rewriting the file) is retried for kHoldWaitMs.
unsigned long ProfileOpenError(const std::wstring& path);

// The profile is judged in pieces of this many bytes, never held whole.
inline constexpr unsigned long kPieceBytes = 65536;

// True when the file is UTF-8 that Windows' profile service would misread:
// it reads only the UTF-16 byte order mark, so a UTF-8 one sticks to the
// first line and hides its section, and UTF-8 text comes out garbled in the
// ANSI code page. That is a file that starts with the UTF-8 mark (under every
// code page), or, while the ANSI code page is not UTF-8, valid UTF-8 holding
// kana or Japanese punctuation (U+3000 to U+30FF), as Japanese text saved as
// UTF-8 does. Code page 932 text may form valid UTF-8 by chance (苺Ａ is the
// bytes of one 3-byte character and '`'), but almost never those
// characters: such a file is read as ANSI. False for a file that is missing
// or cannot be read.
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
