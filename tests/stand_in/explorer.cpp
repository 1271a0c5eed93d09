// A stand-in for the file manager: appends the path it was started from and
// the command line it was given, as one UTF-8 line, to the file named by
// TARNWICK_EXPLORER_RECORD, then exits. Tests put it where Windows keeps
// explorer.exe (and elsewhere, to see that it is not run from there).
#include <windows.h>

#include <string>

#include "common/text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t record[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TARNWICK_EXPLORER_RECORD", record, MAX_PATH) == 0) return 1;
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::string line = common::Utf8(std::wstring(self) + L"\t" + GetCommandLineW()) + "\r\n";
    HANDLE file = CreateFileW(record, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
