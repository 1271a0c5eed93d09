// Scratch files for the unit tests, made and removed by the tests themselves.
#pragma once

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

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

}  // namespace testfiles
