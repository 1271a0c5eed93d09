#include "support/profile_file.h"

#include <windows.h>

#include <optional>

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

unsigned long WriteIniString(const std::wstring& path, const std::wstring& section,
                             const std::wstring& key, const std::wstring& value) {
    const bool outerSpace = !value.empty() && (value.front() == L' ' || value.back() == L' ');
    const std::wstring stored = outerSpace ? L"\"" + value + L"\"" : value;
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

namespace {

// The file's bytes as the profile service reads them; nothing when the file
// is missing or cannot be read. A file too large to be text (past what the
// conversions count in int) comes back as one NUL byte: never text, so never
// written and never taken for UTF-8.
std::optional<std::string> ProfileBytes(const std::wstring& path) {
    // Opened as the profile service opens it.
    platform::ScopedHandle file(CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return std::nullopt;
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got != 0) {
        if (bytes.size() + got > 0x7FFFFFFF) return std::string(1, '\0');
        bytes.append(chunk, got);
    }
    return bytes;
}

bool StartsWith(const std::string& bytes, const char* mark) {
    return bytes.rfind(mark, 0) == 0;
}

}  // namespace

bool IsMisreadUtf8(const std::wstring& path) {
    const std::optional<std::string> bytes = ProfileBytes(path);
    if (!bytes) return false;
    if (StartsWith(*bytes, "\xEF\xBB\xBF")) return true;
    if (GetACP() == CP_UTF8 || StartsWith(*bytes, "\xFF\xFE")) return false;
    bool longSequence = false;
    for (const char byte : *bytes) longSequence |= static_cast<unsigned char>(byte) >= 0xE0;
    return longSequence && platform::DecodesStrictly(CP_UTF8, *bytes);
}

bool RewriteKeepsText(const std::wstring& path) {
    const std::optional<std::string> bytes = ProfileBytes(path);
    if (!bytes) return true;
    if (StartsWith(*bytes, "\xFF\xFE")) return true;
    if (bytes->find('\0') != std::string::npos) return false;
    return platform::DecodesStrictly(CP_ACP, *bytes) &&
           platform::FitsAnsi(platform::FromAnsi(*bytes));
}
