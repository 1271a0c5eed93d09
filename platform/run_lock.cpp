#include "platform/run_lock.h"

#include <cstdint>

#include "platform/failure.h"
#include "platform/text.h"

namespace platform {

namespace {

// The long form of a folder given by its short (8.3) name. Short names made
// by Windows carry a tilde; the look-up walks every folder of the path, which
// costs more than the rest of the lock, so a path without one is taken as is.
std::wstring LongForm(const std::wstring& path) {
    if (path.find(L'~') == std::wstring::npos) return path;
    const DWORD size = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (size == 0) return path;
    std::wstring result(size, L'\0');
    const DWORD length = GetLongPathNameW(path.c_str(), result.data(), size);
    if (length == 0 || length >= size) return path;
    result.resize(length);
    return result;
}

// Object names are limited to MAX_PATH characters and take no backslash:
// the path is named by a 64-bit FNV-1a hash of its characters.
std::wstring LockName(const std::wstring& key) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const wchar_t c : key) {
        const std::uint16_t unit = static_cast<std::uint16_t>(c);
        for (const std::uint8_t byte :
             {static_cast<std::uint8_t>(unit & 0xFF), static_cast<std::uint8_t>(unit >> 8)}) {
            hash = (hash ^ byte) * 1099511628211ULL;
        }
    }
    std::wstring name = L"Local\\Tarnwick-";
    for (int shift = 60; shift >= 0; shift -= 4) {
        name += L"0123456789ABCDEF"[(hash >> shift) & 0xF];
    }
    return name;
}

}  // namespace

RunLock::RunLock(const std::wstring& folder, const std::wstring& name) {
    const std::wstring key = UpperCase(LongForm(folder) + L"\\" + name);
    mutex_ = CreateMutexW(nullptr, FALSE, LockName(key).c_str());
    if (mutex_ == nullptr) {
        // Another user's run made it: that run has the files.
        if (GetLastError() == ERROR_ACCESS_DENIED) return;
        FailWithLastError(L"同時に実行中のチェックを確かめられません：" + folder + L"\\" + name);
    }
    const DWORD wait = WaitForSingleObject(mutex_, 0);
    // Abandoned: a run that ended without letting go, which is over now.
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

RunLock::~RunLock() {
    if (held_) ReleaseMutex(mutex_);
    if (mutex_ != nullptr) CloseHandle(mutex_);
}

}  // namespace platform
