#include "registry.h"

#include "files.h"
#include "text.h"

namespace common {

namespace {

const wchar_t kIdentities[] = L"Identities";

}  // namespace

void SetUserValue(const std::wstring& subkey, const wchar_t* name, DWORD type, const void* data,
                  DWORD size) {
    HKEY key = nullptr;
    const LSTATUS created = RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0,
                                            KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (created != ERROR_SUCCESS) {
        return ReportFailure("cannot create HKCU\\" + Utf8(subkey) + ": error " +
                             std::to_string(created));
    }
    const LSTATUS set = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    if (set != ERROR_SUCCESS) {
        ReportFailure("cannot set " + Utf8(name) + ": error " + std::to_string(set));
    }
    RegCloseKey(key);
}

void DeleteUserKey(const std::wstring& subkey) {
    RegDeleteTreeW(HKEY_CURRENT_USER, subkey.c_str());
}

std::wstring StoreKey(const std::wstring& identity) {
    return std::wstring(kIdentities) + L"\\" + identity +
           L"\\Software\\Microsoft\\Outlook Express\\5.0";
}

void ClearIdentities() {
    DeleteUserKey(kIdentities);
}

void SetDefaultIdentityRaw(const std::wstring& identity) {
    ClearIdentities();
    SetUserValue(kIdentities, L"Default User ID", REG_SZ, identity.c_str(),
                 static_cast<DWORD>((identity.size() + 1) * sizeof(wchar_t)));
}

void SetStoreRootRaw(const std::wstring& identity, DWORD type, const void* data, DWORD size) {
    SetUserValue(StoreKey(identity), L"Store Root", type, data, size);
}

void SetStoreRoot(const std::wstring& identity, const std::wstring& storeRoot, DWORD type) {
    SetStoreRootRaw(identity, type, storeRoot.c_str(),
                    static_cast<DWORD>((storeRoot.size() + 1) * sizeof(wchar_t)));
}

void SetIdentity(const std::wstring& identity, const std::wstring& storeRoot) {
    SetDefaultIdentityRaw(identity);
    SetStoreRoot(identity, storeRoot);
}

}  // namespace common
