#include "stand_in.h"

#include <windows.h>

#include "files.h"
#include "text.h"

namespace common {

namespace {

const wchar_t kOverrides[] = L"Software\\Wine\\DllOverrides";

void PreferNative(const std::wstring& name, bool on) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return ReportFailure("cannot open HKCU\\" + Utf8(kOverrides));
    }
    const wchar_t order[] = L"native,builtin";
    const LSTATUS status = on ? RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                                               reinterpret_cast<const BYTE*>(order), sizeof order)
                              : RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
    if (status != ERROR_SUCCESS && on) ReportFailure("cannot set the override of " + Utf8(name));
}

}  // namespace

PlantedDlls::PlantedDlls(const std::wstring& folder, std::initializer_list<const wchar_t*> names)
    : names_(names.begin(), names.end()),
      folder_(folder),
      marker_(folder + L"stand-in-loaded.txt") {
    DeleteFileW(marker_.c_str());
    for (const std::wstring& name : names_) {
        const std::wstring dll = folder_ + name + L".dll";
        if (!CopyFileW((BuildFolder() + L"stand_in\\uxtheme.dll").c_str(), dll.c_str(), FALSE)) {
            ReportFailure("cannot place " + Utf8(dll));
        }
        PreferNative(name, true);
    }
}

PlantedDlls::~PlantedDlls() {
    for (const std::wstring& name : names_) {
        PreferNative(name, false);
        DeleteFileW((folder_ + name + L".dll").c_str());
    }
    DeleteFileW(marker_.c_str());
}

std::wstring PlantedDlls::Loads() const {
    const std::string bytes = ReadBytes(marker_);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
}

std::wstring SystemCopy(const std::wstring& name) {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    const std::wstring path = std::wstring(folder) + L"\\" + name;
    return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? L"" : path;
}

}  // namespace common
