#include "stand_in.h"

#include <windows.h>

#include "files.h"
#include "text.h"

namespace common {

namespace {

const wchar_t kOverrides[] = L"Software\\Wine\\DllOverrides";

void PreferNativeUxtheme(bool on) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return ReportFailure("cannot open HKCU\\" + Utf8(kOverrides));
    }
    const wchar_t order[] = L"native,builtin";
    const LSTATUS status = on ? RegSetValueExW(key, L"uxtheme", 0, REG_SZ,
                                               reinterpret_cast<const BYTE*>(order), sizeof order)
                              : RegDeleteValueW(key, L"uxtheme");
    RegCloseKey(key);
    if (status != ERROR_SUCCESS && on) ReportFailure("cannot set the uxtheme override");
}

}  // namespace

PlantedUxtheme::PlantedUxtheme(const std::wstring& folder)
    : dll_(folder + L"uxtheme.dll"), marker_(folder + L"uxtheme-loaded.txt") {
    DeleteFileW(marker_.c_str());
    if (!CopyFileW((BuildFolder() + L"stand_in\\uxtheme.dll").c_str(), dll_.c_str(), FALSE)) {
        ReportFailure("cannot place " + Utf8(dll_));
    }
    PreferNativeUxtheme(true);
}

PlantedUxtheme::~PlantedUxtheme() {
    PreferNativeUxtheme(false);
    DeleteFileW(dll_.c_str());
    DeleteFileW(marker_.c_str());
}

std::wstring PlantedUxtheme::Loads() const {
    const std::string bytes = ReadBytes(marker_);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
}

}  // namespace common
