// Scratch files for the unit tests, made and removed by the tests themselves.
#pragma once

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../code_page.h"

// The program is built for Windows XP, whose headers leave this out; the
// tests only run on newer systems (and Wine), which have it.
#if _WIN32_WINNT < 0x0600
extern "C" LSTATUS WINAPI RegDeleteTreeW(HKEY key, LPCWSTR subkey);
#endif

namespace testfiles {

// A path in the system's temporary folder, removed before and after use.
class TempPath {
  public:
    explicit TempPath(const std::wstring& name) {
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        path_ = std::wstring(folder) + L"tarnwick_unit_" + name;
        DeleteFileW(path_.c_str());
    }
    ~TempPath() { DeleteFileW(path_.c_str()); }
    const std::wstring& path() const { return path_; }

    std::string Bytes() const {
        std::ifstream in(path_.c_str(), std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }
    void Write(const std::string& bytes) const {
        std::ofstream out(path_.c_str(), std::ios::binary | std::ios::trunc);
        out << bytes;
    }

  private:
    std::wstring path_;
};

using codepage::Cp932;

// A log's messages as bytes: each "date time message\r\n" line without its
// date and time. A line without them, or without CR LF, shows as itself.
inline std::vector<std::string> LogMessages(const std::string& log) {
    std::vector<std::string> messages;
    for (size_t at = 0; at < log.size();) {
        size_t end = log.find("\r\n", at);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(at, end - at);
        size_t second = line.find(' ', line.find(' ') + 1);
        messages.push_back(second == std::string::npos ? "<bare> " + line
                                                       : line.substr(second + 1));
        at = end + 2;
    }
    return messages;
}

// A fresh folder in the system's temporary folder, removed with all it holds.
class TempFolder {
  public:
    explicit TempFolder(const std::wstring& name) : path_(TempPath(name).path()) {
        Remove(path_);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() { Remove(path_); }
    const std::wstring& path() const { return path_; }  // no final backslash

    // A file of the given length that is never written, so it takes no disk.
    void MakeFile(const std::wstring& name, std::uint64_t length) const {
        HANDLE file = CreateFileW((path_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(length);
        SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
    }

  private:
    static void Remove(const std::wstring& path) {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    Remove(path + L"\\" + name);
                } else {
                    DeleteFileW((path + L"\\" + name).c_str());
                }
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(path.c_str());
    }
    std::wstring path_;
};

}  // namespace testfiles
