#include "platform/folder_listing.h"

#include <windows.h>

#include "platform/failure.h"
#include "platform/scoped.h"

namespace platform {

namespace {

// The "\\?\" form of a full path, which Windows takes as written: a name
// that ends in a dot or a space keeps it, "AUX.dbx" stays a file and does not
// become a device, and the length may pass MAX_PATH. The clean-up a path
// needs (".", "..", "/") is made here, on the folder, before the form is
// taken; the names joined to it are used exactly as the listing gave them.
std::wstring VerbatimForm(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0) return path;
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = size == 0 ? 0 : GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring WithBackslash(std::wstring folder) {
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

}  // namespace

std::vector<std::wstring> ListFileNames(const std::wstring& folder) {
    const std::wstring context = L"メールフォルダの一覧を取得できません：" + folder;
    const std::wstring verbatim = VerbatimForm(WithBackslash(folder));
    DWORD attributes = GetFileAttributesW(verbatim.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // A file named as a folder ("...\Outlook Express\") is not found
        // with its final backslash: without it, it is found, and is no folder.
        const DWORD error = GetLastError();
        const DWORD asFile = GetFileAttributesW(verbatim.substr(0, verbatim.size() - 1).c_str());
        if (asFile != INVALID_FILE_ATTRIBUTES && (asFile & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            FailWithError(ERROR_DIRECTORY, context);
        }
        FailWithError(error, context);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) FailWithError(ERROR_DIRECTORY, context);

    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    ScopedFind find(FindFirstFileW((verbatim + L'*').c_str(), &found));
    if (!find.valid()) {
        // A root folder with nothing in it has no "." entry to find.
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return names;
        FailWithLastError(context);
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileW(find.get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) FailWithLastError(context);
    return names;
}

std::uint64_t FileLength(const std::wstring& folder, const std::wstring& name) {
    // Reads the length from the file's metadata without opening it for data,
    // so a file that its mail program holds open without sharing is measured.
    WIN32_FILE_ATTRIBUTE_DATA data;
    const std::wstring path = VerbatimForm(WithBackslash(folder)) + name;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        FailWithLastError(L"ファイルのサイズを取得できません：" + WithBackslash(folder) + name);
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace platform
