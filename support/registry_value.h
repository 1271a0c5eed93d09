// mdlRegistry: one named registry value, or the caller's default.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

using RegistryValue = std::variant<std::wstring, std::vector<std::uint8_t>, std::int32_t>;

constexpr std::int32_t kRegistryText = 1;    // REG_SZ
constexpr std::int32_t kRegistryBytes = 3;   // REG_BINARY
constexpr std::int32_t kRegistryNumber = 4;  // REG_DWORD

// Reads the value, whole, as the kind asked for, through the Unicode registry
// calls and with read access only. Any failure (missing key or value, a key
// that may not be read, an unknown kind) gives back the default unchanged.
// The key is always closed before returning.
RegistryValue ReadRegistryValue(HKEY root, const std::wstring& subkey,
                                const std::wstring& valueName, std::int32_t kind,
                                const RegistryValue& defaultValue);
