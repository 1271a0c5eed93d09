#include "harness.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/window_driver.h"
#include "warning_window/layout.h"

namespace e2e {

std::wstring BuildFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
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
}

void MakeFile(const std::wstring& path, std::uint64_t length) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create " << Cp932(path);
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(length);
    EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
}

void RemoveTree(const std::wstring& path) {
    // In the "\\?\" form, names with a final dot or space and paths past
    // MAX_PATH are removed too.
    if (path.rfind(L"\\\\", 0) != 0) return RemoveTree(L"\\\\?\\" + path);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

Scratch::Scratch(const std::wstring& name) {
    const std::wstring root = BuildFolder() + L"scratch";
    CreateDirectoryW(root.c_str(), nullptr);
    const std::wstring folder = root + L"\\" + name;
    RemoveTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    dir = folder + L"\\";
    exe = dir + L"Tarnwick.exe";
    ini = dir + L"Tarnwick.ini";
    log = dir + L"Tarnwick.log";
    store = dir + L"store\\";
    CreateDirectoryW(store.c_str(), nullptr);
    EXPECT_TRUE(CopyFileW((BuildFolder() + L"Tarnwick.exe").c_str(), exe.c_str(), FALSE));
}

void Scratch::WriteIni(const std::string& bytes) const {
    WriteBytes(ini, bytes);
}
std::string Scratch::IniBytes() const {
    return ReadBytes(ini);
}
std::string Scratch::LogBytes() const {
    return ReadBytes(log);
}

std::vector<std::wstring> Scratch::LogMessages() const {
    std::vector<std::wstring> messages;
    const std::string bytes = LogBytes();
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "log line without CR LF at byte " << start;
        if (end == std::string::npos) end = bytes.size();
        const std::wstring line = FromCp932(bytes.substr(start, end - start));
        // "2026/12/7 4:18:30 message": a date with slashes, a time with colons.
        const size_t dateEnd = line.find(L' ');
        const size_t timeEnd =
            dateEnd == std::wstring::npos ? dateEnd : line.find(L' ', dateEnd + 1);
        EXPECT_NE(timeEnd, std::wstring::npos) << "no date and time: " << Cp932(line);
        if (timeEnd == std::wstring::npos) {
            messages.push_back(line);
        } else {
            EXPECT_EQ(line.substr(0, dateEnd).find_first_not_of(L"0123456789/"), std::wstring::npos)
                << Cp932(line);
            EXPECT_EQ(
                line.substr(dateEnd + 1, timeEnd - dateEnd - 1).find_first_not_of(L"0123456789:"),
                std::wstring::npos)
                << Cp932(line);
            messages.push_back(line.substr(timeEnd + 1));
        }
        start = end + 2;
    }
    return messages;
}

namespace {

const wchar_t kIdentities[] = L"Identities";

std::wstring StoreKey(const std::wstring& identity) {
    return std::wstring(kIdentities) + L"\\" + identity +
           L"\\Software\\Microsoft\\Outlook Express\\5.0";
}

}  // namespace

void ClearIdentities() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kIdentities);
}

void SetDefaultIdentityRaw(const std::wstring& identity) {
    ClearIdentities();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kIdentities, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"Default User ID", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(identity.c_str()),
                   static_cast<DWORD>((identity.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void SetStoreRootRaw(const std::wstring& identity, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, StoreKey(identity).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"Store Root", 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetIdentity(const std::wstring& identity, const std::wstring& storeRoot) {
    SetDefaultIdentityRaw(identity);
    SetStoreRootRaw(identity, REG_SZ, storeRoot.c_str(),
                    static_cast<DWORD>((storeRoot.size() + 1) * sizeof(wchar_t)));
}

namespace {

std::wstring EnvironmentBlock(const std::map<std::wstring, std::optional<std::wstring>>& changes) {
    // Windows keeps variable names case-insensitive: match them that way.
    std::map<std::wstring, std::pair<std::wstring, std::wstring>> variables;
    auto fold = [](std::wstring name) {
        CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
        return name;
    };
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
        const std::wstring text = entry;
        const size_t equals = text.find(L'=', 1);
        if (equals == std::wstring::npos) continue;
        variables[fold(text.substr(0, equals))] = {text.substr(0, equals), text.substr(equals + 1)};
    }
    FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : changes) {
        if (value) {
            variables[fold(name)] = {name, *value};
        } else {
            variables.erase(fold(name));
        }
    }
    std::wstring result;
    for (const auto& [folded, entry] : variables) {
        result += entry.first + L"=" + entry.second;
        result += L'\0';
    }
    result += L'\0';
    return result;
}

}  // namespace

Run::Run(const std::wstring& exe, const RunOptions& options) : timeoutMs_(options.timeoutMs) {
    std::wstring folder = options.currentFolder;
    if (folder.empty()) folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
    std::wstring environment = EnvironmentBlock(options.environment);
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    auto start = [&] {
        return CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                              CREATE_UNICODE_ENVIRONMENT, environment.data(), folder.c_str(),
                              &startup, &info);
    };
    // Under a heavily loaded machine Wine has, rarely, failed a start with
    // ERROR_INTERNAL_ERROR before the program ran at all: try once more.
    BOOL started = start();
    if (!started && GetLastError() == ERROR_INTERNAL_ERROR) {
        Sleep(500);
        started = start();
    }
    if (!started) {
        ADD_FAILURE() << "cannot start " << Cp932(exe) << ": error " << GetLastError();
        return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
}

Run::~Run() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

std::optional<DWORD> Run::Wait() {
    if (process_ == nullptr) return std::nullopt;
    if (WaitForSingleObject(process_, timeoutMs_) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

Outcome RunToEnd(const Scratch& scratch, const RunOptions& options) {
    Run run(scratch.exe, options);
    return Finish(run);
}

Outcome Finish(Run& run, const std::function<void(HWND)>& onWarning) {
    Outcome outcome;
    if (run.process() == nullptr) return outcome;
    const DWORD processId = GetProcessId(run.process());
    const ULONGLONG deadline = GetTickCount64() + run.timeoutMs();
    while (WaitForSingleObject(run.process(), 20) == WAIT_TIMEOUT) {
        if (GetTickCount64() >= deadline) {
            ADD_FAILURE() << "Tarnwick did not end within " << run.timeoutMs() << " ms";
            break;
        }
        if (HWND message = driver::FindWindowOf(processId, driver::WindowKind::ErrorMessage)) {
            driver::Settle(message);
            outcome.errors.push_back(driver::MessageText(message));
            driver::AnswerMessage(message);
            driver::WaitForWindowGone(message, 5000);
        } else if (HWND warning = driver::FindWindowOf(processId, driver::WindowKind::Warning)) {
            driver::Settle(warning);
            ++outcome.warnings;
            if (onWarning) {
                onWarning(warning);
            } else {
                driver::ClickId(warning, cmdClose);
                driver::WaitForWindowGone(warning, 5000);
            }
        }
    }
    outcome.exitCode = run.Wait();
    return outcome;
}

}  // namespace e2e
