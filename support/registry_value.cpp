#include "support/registry_value.h"

#include "platform/registry_api.h"
#include "platform/scoped.h"
#include "platform/text.h"

namespace {

// Query, set, create subkey, enumerate subkeys, notify, create link.
constexpr REGSAM kAccess = 0x3F;

bool Query(HKEY key, const std::string& name, void* buffer, DWORD size, DWORD* stored) {
    DWORD type = 0;
    *stored = size;
    return platform::Registry().RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                                 static_cast<BYTE*>(buffer),
                                                 stored) == ERROR_SUCCESS;
}

}  // namespace

RegistryValue ReadRegistryValue(HKEY root, const std::wstring& subkey,
                                const std::wstring& valueName, std::int32_t kind,
                                const RegistryValue& defaultValue) {
    RegistryValue result = defaultValue;
    platform::ScopedKey key;
    if (platform::Registry().RegOpenKeyExA(root, platform::ToAnsi(subkey).c_str(), 0, kAccess,
                                           key.out()) != ERROR_SUCCESS) {
        return result;
    }
    const std::string name = platform::ToAnsi(valueName);
    DWORD stored = 0;
    switch (kind) {
        case kRegistryText: {
            char buffer[256] = {};
            // A text that fills all 256 bytes has no room for its end and is
            // as unreadable as a longer one.
            if (Query(key.get(), name, buffer, sizeof buffer, &stored) &&
                (stored < sizeof buffer || buffer[sizeof buffer - 1] == '\0')) {
                buffer[sizeof buffer - 1] = '\0';
                result = platform::FromAnsi(buffer);
            }
            break;
        }
        case kRegistryBytes: {
            std::vector<std::uint8_t> bytes(4097, 0);
            if (Query(key.get(), name, bytes.data(), 4096, &stored)) {
                size_t last = 4096;
                while (last > 0 && bytes[last] == 0) --last;
                // Keep an even count of bytes. All-zero data keeps two bytes.
                if (last % 2 == 0) ++last;
                bytes.resize(last + 1);
                result = std::move(bytes);
            }
            break;
        }
        case kRegistryNumber: {
            std::int32_t number = 0;
            if (Query(key.get(), name, &number, sizeof number, &stored)) result = number;
            break;
        }
        default:
            break;
    }
    return result;
}
