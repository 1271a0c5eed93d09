#include "support/registry_value.h"

#include <algorithm>
#include <optional>

#include "platform/registry_api.h"
#include "platform/scoped.h"
#include "platform/text.h"

namespace {

// The whole value, however long, and its type; nothing when it cannot be read.
std::optional<std::vector<std::uint8_t>> QueryWhole(HKEY key, const std::wstring& name,
                                                    DWORD* type) {
    const auto query = platform::Registry().RegQueryValueExW;
    DWORD size = 0;
    LONG result = query(key, name.c_str(), nullptr, type, nullptr, &size);
    std::vector<std::uint8_t> data;
    // Should the value grow between the size and the read, ask again.
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        data.resize(size);
        result = query(key, name.c_str(), nullptr, type, data.data(), &size);
        if (result == ERROR_SUCCESS) {
            data.resize(size);
            return data;
        }
    }
    return std::nullopt;
}

// The text up to its first NUL. Strings come as UTF-16; a value of another
// type is taken as the ANSI text that its bytes spell, as the ANSI query
// gives it.
std::wstring TextOf(const std::vector<std::uint8_t>& data, DWORD type) {
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        std::wstring text(data.size() / sizeof(wchar_t), L'\0');
        std::copy(data.begin(), data.begin() + text.size() * sizeof(wchar_t),
                  reinterpret_cast<std::uint8_t*>(text.data()));
        return text.substr(0, text.find(L'\0'));
    }
    const std::string bytes(data.begin(), data.end());
    return platform::FromAnsi(bytes.substr(0, bytes.find('\0')));
}

}  // namespace

RegistryValue ReadRegistryValue(HKEY root, const std::wstring& subkey,
                                const std::wstring& valueName, std::int32_t kind,
                                const RegistryValue& defaultValue) {
    RegistryValue result = defaultValue;
    platform::ScopedKey key;
    // Read access only: a key the user may read but not change is read.
    if (platform::Registry().RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE, key.out()) !=
        ERROR_SUCCESS) {
        return result;
    }
    DWORD type = REG_NONE;
    switch (kind) {
        case kRegistryText: {
            if (const auto data = QueryWhole(key.get(), valueName, &type)) {
                result = TextOf(*data, type);
            }
            break;
        }
        case kRegistryBytes: {
            std::vector<std::uint8_t> bytes =
                QueryWhole(key.get(), valueName, &type).value_or(std::vector<std::uint8_t>());
            if (!bytes.empty()) {
                size_t last = bytes.size() - 1;
                while (last > 0 && bytes[last] == 0) --last;
                // Keep an even count of bytes. All-zero data keeps two bytes.
                if (last % 2 == 0) ++last;
                bytes.resize(last + 1);
                result = std::move(bytes);
            }
            break;
        }
        case kRegistryNumber: {
            const auto data = QueryWhole(key.get(), valueName, &type);
            if (data && data->size() <= sizeof(std::int32_t)) {
                std::int32_t number = 0;
                std::copy(data->begin(), data->end(), reinterpret_cast<std::uint8_t*>(&number));
                result = number;
            }
            break;
        }
        default:
            break;
    }
    return result;
}
