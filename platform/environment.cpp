#include "platform/environment.h"

#include <windows.h>

#include "platform/failure.h"

namespace platform {

ExeLocation ExeFolderAndBaseName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) FailWithLastError(L"実行ファイルの場所を取得できません。");
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L'\\');
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    // A root folder keeps its backslash ("C:\"), as the system reports it.
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    size_t dot = name.find_last_of(L'.');
    ExeLocation location;
    location.folder = folder;
    location.baseName = dot == std::wstring::npos ? name : name.substr(0, dot);
    return location;
}

std::wstring WindowsFolder() {
    wchar_t buffer[MAX_PATH] = {};
    UINT length = GetSystemWindowsDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) FailWithLastError(L"Windows フォルダを取得できません。");
    std::wstring folder(buffer, length);
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

std::wstring EnvironmentValue(const std::wstring& name) {
    DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(name.c_str(), value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

}  // namespace platform
