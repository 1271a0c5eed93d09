#include "platform/run_lock.h"

#include <cstdint>

#include "platform/failure.h"
#include "platform/scoped.h"
#include "platform/text.h"

namespace platform {

namespace {

// The value's last `digits` hexadecimal digits, in capitals.
void AppendHex(std::uint64_t value, int digits, std::wstring* text) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        *text += L"0123456789ABCDEF"[(value >> shift) & 0xF];
    }
}

// The folder itself, as Windows tells files apart: its volume's serial
// number and its file ID. The same folder reached by another path (a mapped
// drive and its UNC path, a drive letter made by subst) gives the same.
// Empty when they cannot be read, or the file system has no file IDs.
std::wstring FolderIdentity(const std::wstring& folder) {
    // FILE_FLAG_BACKUP_SEMANTICS opens a folder; reading its attributes is
    // the only right needed.
    const ScopedHandle handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!handle.valid() || !GetFileInformationByHandle(handle.get(), &info) ||
        (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0)) {
        return {};
    }
    // No path starts like this, so the two kinds of key never meet.
    std::wstring identity = L"*";
    AppendHex(info.dwVolumeSerialNumber, 8, &identity);
    AppendHex(info.nFileIndexHigh, 8, &identity);
    AppendHex(info.nFileIndexLow, 8, &identity);
    return identity;
}

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
    AppendHex(hash, 16, &name);
    return name;
}

}  // namespace

RunLock::RunLock(const std::wstring& folder, const std::wstring& name) {
    // The exe's name is part of the key: "Check.exe" beside "Tarnwick.exe"
    // has files of its own and runs its own check. Only when the folder
    // cannot be identified is it named by its path.
    std::wstring place = FolderIdentity(folder);
    if (place.empty()) place = LongForm(folder);
    const std::wstring key = UpperCase(place + L"\\" + name);
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
