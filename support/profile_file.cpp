#include "support/profile_file.h"

#include <windows.h>

#include "platform/text.h"

using platform::FromAnsi;
using platform::ToAnsi;

std::wstring ReadIniString(const std::wstring& path, const std::wstring& section,
                           const std::wstring& key) {
    char buffer[1024] = {};
    GetPrivateProfileStringA(ToAnsi(section).c_str(), ToAnsi(key).c_str(), "", buffer,
                             sizeof buffer, ToAnsi(path).c_str());
    return FromAnsi(buffer);
}

int WriteIniString(const std::wstring& path, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) {
    const bool outerSpace = !value.empty() && (value.front() == L' ' || value.back() == L' ');
    const std::wstring stored = outerSpace ? L"\"" + value + L"\"" : value;
    return WritePrivateProfileStringA(ToAnsi(section).c_str(), ToAnsi(key).c_str(),
                                      ToAnsi(stored).c_str(), ToAnsi(path).c_str());
}
