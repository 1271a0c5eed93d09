// A stand-in for a system DLL that another user placed beside the exe, built
// as uxtheme.dll and copied under other names too: when loaded into a
// process, it appends its own path and that process's exe path (UTF-16, tab
// between, a line each time) to "stand-in-loaded.txt" in its own folder. It
// exports nothing: a process that loads it in place of the system's may fail
// on its first call into it, after the record is made. See
// common/stand_in.h.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t self[MAX_PATH] = {};
    const DWORD selfLength = GetModuleFileNameW(instance, self, MAX_PATH);
    wchar_t marker[MAX_PATH + 32] = {};
    lstrcpyW(marker, self);
    DWORD folder = selfLength;
    while (folder > 0 && marker[folder - 1] != L'\\') --folder;
    lstrcpyW(marker + folder, L"stand-in-loaded.txt");
    wchar_t line[2 * MAX_PATH + 4] = {};
    lstrcpyW(line, self);
    lstrcatW(line, L"\t");
    const DWORD used = lstrlenW(line);
    const DWORD exe = GetModuleFileNameW(nullptr, line + used, MAX_PATH);
    lstrcpyW(line + used + exe, L"\r\n");
    HANDLE file = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written = 0;
    WriteFile(file, line, lstrlenW(line) * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return TRUE;
}
