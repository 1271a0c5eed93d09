#include "platform/registry_api.h"

#include "platform/proc_address.h"

namespace platform {

namespace {

// Should neither library have the calls, every read fails, and the reader's
// callers see the default, as for any registry failure.
LONG WINAPI OpenUnavailable(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY) {
    return ERROR_PROC_NOT_FOUND;
}
LONG WINAPI QueryUnavailable(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD) {
    return ERROR_PROC_NOT_FOUND;
}
LONG WINAPI CloseUnavailable(HKEY) {
    return ERROR_PROC_NOT_FOUND;
}

bool BindAll(HMODULE module, RegistryApi* api) {
    return Bind(module, "RegOpenKeyExW", &api->RegOpenKeyExW) &&
           Bind(module, "RegQueryValueExW", &api->RegQueryValueExW) &&
           Bind(module, "RegCloseKey", &api->RegCloseKey);
}

RegistryApi Resolve() {
    RegistryApi api;
    if (BindAll(GetModuleHandleW(L"kernel32.dll"), &api)) return api;
    if (BindAll(LoadLibraryW(L"advapi32.dll"), &api)) return api;
    return {OpenUnavailable, QueryUnavailable, CloseUnavailable};
}

}  // namespace

const RegistryApi& Registry() {
    static const RegistryApi api = Resolve();
    return api;
}

}  // namespace platform
