#include "process.h"

#include <algorithm>

// After windows.h (from process.h), which it needs.
#include <tlhelp32.h>

#include "files.h"
#include "registry.h"
#include "text.h"
#include "warning_window/layout.h"
#include "window_driver.h"

namespace common {

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

void Stop(HANDLE process) {
    TerminateProcess(process, 99);
    WaitForSingleObject(process, 5000);
}

}  // namespace

// Wine's debug output of this program and of every program it starts (see
// tests/e2e/keep-wine-output.sh), through the drive that Wine maps to "/".
static std::wstring WineOutputPath() {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"TARNWICK_WINE_OUTPUT", value, MAX_PATH);
    const std::wstring unixPath = length < MAX_PATH ? std::wstring(value, length) : L"";
    if (unixPath.empty()) {
        ReportFailure("TARNWICK_WINE_OUTPUT is not set: run through tests/e2e/keep-wine-output.sh");
        return L"";
    }
    std::wstring path = L"Z:" + unixPath;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// The process of `exe` started by Wine's loader under `env LC_ALL=locale`;
// nullptr (reported) when none shows within the time.
static HANDLE StartInLinuxLocale(const std::wstring& exe, const std::wstring& folder,
                                 const std::wstring& locale) {
    wchar_t loader[MAX_PATH] = {};
    GetEnvironmentVariableW(L"WINELOADER", loader, MAX_PATH);
    if (!StartLinuxProgram(
            "/usr/bin/env",
            L"env LC_ALL=" + locale + L" " + loader + L" \"" + Utf16(LinuxPath(exe)) + L"\"",
            folder)) {
        ReportFailure("cannot start " + Utf8(exe) + " through env");
        return nullptr;
    }
    HANDLE found = nullptr;
    WaitUntil(
        [&] {
            const HANDLE all = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
            PROCESSENTRY32W entry = {};
            entry.dwSize = sizeof entry;
            for (BOOL more = Process32FirstW(all, &entry); more && !found;
                 more = Process32NextW(all, &entry)) {
                const HANDLE process =
                    OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE,
                                FALSE, entry.th32ProcessID);
                wchar_t path[MAX_PATH] = {};
                DWORD size = MAX_PATH;
                if (process && QueryFullProcessImageNameW(process, 0, path, &size) &&
                    lstrcmpiW(path, exe.c_str()) == 0) {
                    found = process;
                } else if (process) {
                    CloseHandle(process);
                }
            }
            CloseHandle(all);
            return found != nullptr;
        },
        20000);
    if (found == nullptr) ReportFailure("no process of " + Utf8(exe) + " started through env");
    return found;
}

Run::Run(const std::wstring& exe, const RunOptions& options) : timeoutMs_(options.timeoutMs) {
    std::wstring folder = options.currentFolder;
    if (folder.empty()) folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
    auto variables = options.environment;
    if (options.watchEvents) {
        // Read when the program starts: the event channel (its traces are
        // the strings of information events, its warnings and errors those
        // of warning and error events), the DLL loads (which name the exe,
        // and so its thread), the calls that prepare and show windows and
        // the opening of files (RelayInclude limits the relay channel to
        // those; a file is opened through "KERNEL32.CreateFileW", whose
        // work Wine's kernelbase does unseen).
        static bool relayLimited = false;
        if (!relayLimited) {
            const wchar_t calls[] =
                L"comctl32.InitCommonControls;comctl32.InitCommonControlsEx;user32.MessageBoxW;"
                L"user32.MessageBoxA;user32.MessageBoxExW;user32.MessageBoxIndirectW;"
                L"user32.DialogBoxIndirectParamW;kernel32.CreateFileW";
            SetUserValue(L"Software\\Wine\\Debug", L"RelayInclude", REG_SZ, calls, sizeof calls);
            relayLimited = true;
        }
        variables[L"WINEDEBUG"] = L"+eventlog,+loaddll,+relay";
        outputStart_ = ReadBytes(WineOutputPath()).size();
    }
    std::wstring environment;
    if (!variables.empty()) environment = EnvironmentBlock(variables);
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    auto start = [&] {
        return CreateProcessW(
            exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
            environment.empty() ? nullptr : environment.data(), folder.c_str(), &startup, &info);
    };
    if (!options.linuxLocale.empty()) {
        process_ = StartInLinuxLocale(exe, folder, options.linuxLocale);
        return;
    }
    // Under a heavily loaded machine Wine has, rarely, failed a start with
    // ERROR_INTERNAL_ERROR before the program ran at all: try once more.
    BOOL started = start();
    if (!started && GetLastError() == ERROR_INTERNAL_ERROR) {
        Sleep(500);
        started = start();
    }
    if (!started) {
        ReportFailure("cannot start " + Utf8(exe) + ": error " + std::to_string(GetLastError()));
        return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
}

Run::~Run() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) Stop(process_);
    CloseHandle(process_);
}

std::string Run::WineOutput() const {
    if (!outputStart_) return {};
    const std::string output = ReadBytes(WineOutputPath());
    return output.substr(std::min<size_t>(*outputStart_, output.size()));
}

std::optional<DWORD> Run::Wait() {
    if (process_ == nullptr) return std::nullopt;
    if (WaitForSingleObject(process_, timeoutMs_) != WAIT_OBJECT_0) {
        Stop(process_);
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::optional<DWORD> AnswerWindows(Run& run,
                                   const std::function<void(const std::wstring&)>& onMessage,
                                   const std::function<void(HWND)>& onWarning) {
    if (run.process() == nullptr) return std::nullopt;
    const DWORD processId = GetProcessId(run.process());
    const ULONGLONG deadline = GetTickCount64() + run.timeoutMs();
    while (WaitForSingleObject(run.process(), 20) == WAIT_TIMEOUT) {
        if (GetTickCount64() >= deadline) {
            ReportFailure("Tarnwick did not end within " + std::to_string(run.timeoutMs()) +
                          " ms; stopped");
            Stop(run.process());
            return std::nullopt;
        }
        if (HWND message = driver::FindWindowOf(processId, driver::WindowKind::ErrorMessage)) {
            driver::Settle(message);
            onMessage(driver::MessageText(message));
            driver::AnswerMessage(message);
            driver::WaitForWindowGone(message, 5000);
        } else if (HWND warning = driver::FindWindowOf(processId, driver::WindowKind::Warning)) {
            driver::Settle(warning);
            onWarning(warning);
            if (!driver::WaitForWindowGone(warning, 5000)) {
                ReportFailure("the warning window stayed open; stopped");
                Stop(run.process());
                return std::nullopt;
            }
        }
    }
    return run.Wait();
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
    return true;
}

namespace {

template <typename Function>
Function WineFunction(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), name)));
}

}  // namespace

bool StartLinuxProgram(const char* program, std::wstring commandLine, const std::wstring& folder) {
    using DosName = WCHAR*(CDECL*)(const char*);
    const auto dosName = WineFunction<DosName>("wine_get_dos_file_name");
    WCHAR* path = dosName ? dosName(program) : nullptr;
    if (path == nullptr) return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const bool started =
        CreateProcessW(path, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &process) != FALSE;
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    HeapFree(GetProcessHeap(), 0, path);
    return started;
}

std::string LinuxPath(const std::wstring& path) {
    using UnixName = char*(CDECL*)(const WCHAR*);
    const auto unixName = WineFunction<UnixName>("wine_get_unix_file_name");
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    const std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

}  // namespace common
