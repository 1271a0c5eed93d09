#include "text.h"

#include <windows.h>

namespace common {

namespace {

std::wstring Decode(UINT codePage, const std::string& bytes) {
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), size, text.data(), length);
    return text;
}

std::string Encode(UINT codePage, const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

}  // namespace

std::wstring Utf16(const std::string& utf8) {
    return Decode(CP_UTF8, utf8);
}
std::string Utf8(const std::wstring& text) {
    return Encode(CP_UTF8, text);
}
std::string Cp932(const std::wstring& text) {
    return Encode(932, text);
}
std::wstring FromCp932(const std::string& bytes) {
    return Decode(932, bytes);
}

}  // namespace common
