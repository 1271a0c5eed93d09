#include "files.h"

#include <windows.h>

#include <fstream>
#include <sstream>

#include "readers.h"
#include "text.h"

namespace common {

std::wstring BuildFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring program = path;
    return program.substr(0, program.find_last_of(L'\\') + 1);
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) ReportFailure("cannot write " + Utf8(path));
}

void MakeFile(const std::wstring& path, std::uint64_t length) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return ReportFailure("cannot create " + Utf8(path) + ": error " +
                             std::to_string(GetLastError()));
    }
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(length);
    if (!SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) {
        ReportFailure("cannot size " + Utf8(path) + ": error " + std::to_string(GetLastError()));
    }
    CloseHandle(file);
}

void MakeFolders(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
        CreateDirectoryW((L"\\\\?\\" + path.substr(0, at)).c_str(), nullptr);
    }
}

HeldFile::HeldFile(const std::wstring& path, DWORD access, DWORD share)
    : handle_(CreateFileW(path.c_str(), access, share, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr)) {
    if (handle_ == INVALID_HANDLE_VALUE) ReportFailure("cannot hold " + Utf8(path));
}
HeldFile::~HeldFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

std::wstring WithoutFinalBackslash(const std::wstring& path) {
    return !path.empty() && path.back() == L'\\' ? path.substr(0, path.size() - 1) : path;
}

void RemoveTree(const std::wstring& path) {
    // In the "\\?\" form, which Windows takes as written: no final dot or
    // space is dropped and there is no length limit, but no doubled
    // backslash is forgiven either.
    if (path.rfind(L"\\\\", 0) != 0) return RemoveTree(L"\\\\?\\" + path);
    const std::wstring folder = WithoutFinalBackslash(path);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

ScratchFolder::ScratchFolder(const std::wstring& name) {
    const std::wstring root = BuildFolder() + L"scratch\\";
    CreateDirectoryW(root.c_str(), nullptr);
    dir = root + name + L"\\";
    RemoveTree(dir);
    if (!CreateDirectoryW(dir.c_str(), nullptr)) ReportFailure("cannot create " + Utf8(dir));
    ini = dir + L"Tarnwick.ini";
    log = dir + L"Tarnwick.log";
    store = dir + L"store\\";
    CreateDirectoryW(store.c_str(), nullptr);
}

void ScratchFolder::WriteIni(const std::string& bytes) const {
    WriteBytes(ini, bytes);
}
std::string ScratchFolder::IniBytes() const {
    return ReadBytes(ini);
}
std::string ScratchFolder::LogBytes() const {
    return ReadBytes(log);
}
std::vector<std::wstring> ScratchFolder::LogMessages() const {
    return common::LogMessages(LogBytes());
}

}  // namespace common
