#include "platform/text.h"

#include <windows.h>

namespace platform {

namespace {

std::string Converted(DWORD flags, const std::wstring& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
    // UTF-8 and GB18030, which hold every character, refuse the flags.
    if (length == 0 && flags != 0 && GetLastError() == ERROR_INVALID_FLAGS) {
        return Converted(0, text);
    }
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), size, result.data(), length, nullptr, nullptr);
    return result;
}

}  // namespace

std::string ToAnsi(const std::wstring& text) {
    // Best fit would write "Entwürfe.dbx" as "Entwurfe.dbx" and "¥.dbx" as
    // "\.dbx", the names of other files.
    return Converted(WC_NO_BEST_FIT_CHARS, text);
}

size_t AnsiLength(const std::wstring& text) {
    return Converted(0, text).size();
}

std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) return {};
    int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(),
                        length);
    return result;
}

std::wstring DecimalText(long long number) {
    // The magnitude as unsigned, so that the lowest value has one too.
    unsigned long long magnitude = number < 0 ? 0 - static_cast<unsigned long long>(number)
                                              : static_cast<unsigned long long>(number);
    wchar_t digits[24];
    wchar_t* at = digits + 24;
    do {
        *--at = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0) *--at = L'-';
    return std::wstring(at, digits + 24);
}

bool FitsAnsi(const std::wstring& text) {
    return FromAnsi(ToAnsi(text)) == text;
}

bool DecodesStrictly(unsigned codePage, const std::string& bytes) {
    return bytes.empty() || MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) != 0;
}

std::wstring UpperCase(const std::wstring& text) {
    std::wstring result(text.size(), L'\0');
    if (!text.empty()) {
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.c_str(), static_cast<int>(text.size()),
                     result.data(), static_cast<int>(result.size()));
    }
    return result;
}

}  // namespace platform
