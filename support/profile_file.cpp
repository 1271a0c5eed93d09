#include "support/profile_file.h"

#include <windows.h>

#include <string_view>

#include "platform/scoped.h"
#include "platform/text.h"

namespace {

// Calls `read` with ever larger buffers until the text it reports fits with
// room to spare: the service gives no other sign that it cut the text.
// `spare` is what the service keeps for the end (1 for a value, 2 for a list).
template <typename Read>
std::wstring ReadWhole(Read read, DWORD spare) {
    std::wstring buffer(1024, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = read(buffer.data(), size);
        if (length + spare < size) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::wstring ReadIniValue(const std::wstring& path, const std::wstring& section,
                          const std::wstring& key) {
    return ReadWhole(
        [&](wchar_t* buffer, DWORD size) {
            return GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer, size,
                                            path.c_str());
        },
        1);
}

std::wstring CutToReadLimit(const std::wstring& text, bool* cut) {
    *cut = false;
    if (platform::AnsiLength(text) <= kReadLimitBytes) return text;
    size_t bytes = 0;
    for (size_t at = 0; at < text.size();) {
        // A surrogate pair is one character: never split it.
        const size_t width = IS_HIGH_SURROGATE(text[at]) && at + 1 < text.size() ? 2 : 1;
        bytes += platform::AnsiLength(text.substr(at, width));
        if (bytes > kReadLimitBytes) {
            *cut = true;
            return text.substr(0, at);
        }
        at += width;
    }
    return text;
}

std::wstring ReadIniString(const std::wstring& path, const std::wstring& section,
                           const std::wstring& key) {
    bool cut = false;
    return CutToReadLimit(ReadIniValue(path, section, key), &cut);
}

std::vector<std::wstring> ReadIniKeys(const std::wstring& path, const std::wstring& section) {
    const std::wstring list = ReadWhole(
        [&](wchar_t* buffer, DWORD size) {
            return GetPrivateProfileStringW(section.c_str(), nullptr, L"", buffer, size,
                                            path.c_str());
        },
        2);
    std::vector<std::wstring> keys;
    for (size_t at = 0; at < list.size();) {
        const size_t end = list.find(L'\0', at);
        const size_t stop = end == std::wstring::npos ? list.size() : end;
        if (stop > at) keys.push_back(list.substr(at, stop - at));
        at = stop + 1;
    }
    return keys;
}

namespace {

constexpr unsigned long kHoldRetryMs = 100;

// Opened as Windows' profile service opens the file: reading, and sharing
// everything, so that only another program's hold keeps it out.
HANDLE OpenAsTheService(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Whether the file starts with these bytes; false when it cannot be read.
bool StartsWith(const std::wstring& path, const std::string& mark) {
    platform::ScopedHandle file(OpenAsTheService(path));
    if (!file.valid()) return false;
    std::string start(mark.size(), '\0');
    DWORD got = 0;
    return ReadFile(file.get(), start.data(), static_cast<DWORD>(start.size()), &got, nullptr) &&
           got == start.size() && start == mark;
}

const std::string kUtf8Mark = "\xEF\xBB\xBF", kUtf16Mark = "\xFF\xFE";

}  // namespace

unsigned long WriteIniString(const std::wstring& path, const std::wstring& section,
                             const std::wstring& key, const std::wstring& value) {
    const bool outerSpace = !value.empty() && (value.front() == L' ' || value.back() == L' ');
    const std::wstring stored = outerSpace ? L"\"" + value + L"\"" : value;
    // The service writes an ANSI file (and a new file is one) through the code
    // page with its best fit and default character: a text the code page
    // cannot hold would be stored as another text, which every later run would
    // read as set. A NUL would cut it. A UTF-16 file holds every text.
    const bool utf16 = StartsWith(path, kUtf16Mark);
    for (const std::wstring* text : {&section, &key, &stored}) {
        if (text->find(L'\0') != std::wstring::npos || (!utf16 && !platform::FitsAnsi(*text))) {
            return kTextNotAnsi;
        }
    }
    unsigned long error = ERROR_SUCCESS;
    if (!WritePrivateProfileStringW(section.c_str(), key.c_str(), stored.c_str(), path.c_str())) {
        error = GetLastError();
    }
    // A service that keeps the file in a cache may still hold the new value
    // after failing to save it: drop the cache, so that the value is read
    // from the file. The service also reports no error for a save whose data
    // did not reach the disk; only the read tells.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
    if (ReadIniString(path, section, key) == value) return ERROR_SUCCESS;
    return error != ERROR_SUCCESS ? error : ERROR_WRITE_FAULT;
}

unsigned long ProfileOpenError(const std::wstring& path) {
    std::string piece(kPieceBytes, '\0');
    // Tries every kHoldRetryMs until kHoldWaitMs have passed.
    for (unsigned long waited = 0;; waited += kHoldRetryMs) {
        DWORD error = ERROR_SUCCESS;
        {
            platform::ScopedHandle file(OpenAsTheService(path));
            if (!file.valid()) {
                error = GetLastError();
                if (error == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;  // a first run
            } else {
                // Read through as the service reads it: a range another
                // program has locked fails here (33), not at the open.
                DWORD got = 0;
                BOOL read = FALSE;
                do {
                    read = ReadFile(file.get(), piece.data(), kPieceBytes, &got, nullptr);
                } while (read && got != 0);
                if (read) return ERROR_SUCCESS;
                error = GetLastError();
            }
        }
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        if (!held || waited >= kHoldWaitMs) return error;
        Sleep(kHoldRetryMs);
    }
}

namespace {

// The file's text in the code page, a piece at a time and whole characters
// only: `look` gets each piece's bytes and the text they decode to, and says
// whether to go on. A piece of ASCII alone (the same text in every code
// page) comes with no text, which spares decoding a large file of it. A
// character cut by the end of a read (at most 3 of its bytes: UTF-8 and
// GB18030 have 4-byte ones) waits for the next read. Gives Missing when the
// file cannot be opened, NotText when bytes form no character of the code
// page, Stopped when `look` stopped.
enum class Scan { Missing, Text, NotText, Stopped };

template <typename Look>
Scan ScanText(const std::wstring& path, unsigned codePage, Look look) {
    platform::ScopedHandle file(OpenAsTheService(path));
    if (!file.valid()) return Scan::Missing;
    std::string piece, read(kPieceBytes, '\0');
    std::wstring text;
    for (;;) {
        DWORD got = 0;
        // A read that fails ends the text as the service would see it.
        const bool end = !ReadFile(file.get(), read.data(), kPieceBytes, &got, nullptr) || got == 0;
        piece.append(read.data(), got);
        if (piece.empty()) return Scan::Text;
        unsigned char bits = 0;
        for (const char byte : piece) bits |= static_cast<unsigned char>(byte);
        const bool ascii = bits < 0x80;
        // The longest front that decodes strictly; at the end, all of it.
        size_t whole = piece.size();
        int length = 0;
        while (!ascii) {
            length = whole == 0 ? 0
                                : MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, piece.data(),
                                                      static_cast<int>(whole), nullptr, 0);
            if (length != 0 || whole == 0) break;
            if (end || piece.size() - whole == 3) return Scan::NotText;
            --whole;
        }
        text.resize(static_cast<size_t>(length));
        if (length != 0) {
            MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, piece.data(),
                                static_cast<int>(whole), text.data(), length);
        }
        if (!look(std::string_view(piece.data(), whole), std::wstring_view(text))) {
            return Scan::Stopped;
        }
        piece.erase(0, whole);
        if (end) return piece.empty() ? Scan::Text : Scan::NotText;
    }
}

}  // namespace

bool IsMisreadUtf8(const std::wstring& path) {
    if (StartsWith(path, kUtf8Mark)) return true;
    if (GetACP() == CP_UTF8 || StartsWith(path, kUtf16Mark)) return false;
    // Leaning to ANSI: refusing a true ANSI profile stops every check on the
    // PC. Japanese text saved as UTF-8 nearly always holds kana or Japanese
    // punctuation (U+3000 to U+30FF); code page 932 bytes almost never form
    // them.
    bool japanese = false;
    const Scan scan = ScanText(path, CP_UTF8, [&](std::string_view, std::wstring_view text) {
        for (const wchar_t c : text) japanese |= c >= 0x3000 && c <= 0x30FF;
        return true;
    });
    return scan == Scan::Text && japanese;
}

bool RewriteKeepsText(const std::wstring& path) {
    if (StartsWith(path, kUtf16Mark)) return true;
    const Scan scan = ScanText(path, CP_ACP, [](std::string_view bytes, std::wstring_view text) {
        return bytes.find('\0') == std::string_view::npos && platform::FitsAnsi(std::wstring(text));
    });
    return scan == Scan::Missing || scan == Scan::Text;
}
