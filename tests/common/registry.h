// The registry the program reads, written by the tests: HKCU\Identities with
// the default identity and its store location.
#pragma once

#include <windows.h>

#include <string>

namespace common {

// Sets a value of HKEY_CURRENT_USER, creating its key.
void SetUserValue(const std::wstring& subkey, const wchar_t* name, DWORD type, const void* data,
                  DWORD size);

// Removes a key of HKEY_CURRENT_USER with everything below it.
void DeleteUserKey(const std::wstring& subkey);

// HKCU\Identities\{identity}\Software\Microsoft\Outlook Express\5.0
std::wstring StoreKey(const std::wstring& identity);

void ClearIdentities();
// A fresh HKCU\Identities whose "Default User ID" is `identity`.
void SetDefaultIdentityRaw(const std::wstring& identity);
// The identity's "Store Root" as any type and bytes.
void SetStoreRootRaw(const std::wstring& identity, DWORD type, const void* data, DWORD size);
// The same as text; Outlook Express itself records REG_EXPAND_SZ.
void SetStoreRoot(const std::wstring& identity, const std::wstring& storeRoot, DWORD type = REG_SZ);
// Both: `identity` the default, with this store location.
void SetIdentity(const std::wstring& identity, const std::wstring& storeRoot);

}  // namespace common
