// A stand-in for a theme DLL that another user placed beside the exe: when
// loaded into a process, it appends that process's exe path (UTF-16) to
// "uxtheme-loaded.txt" in its own folder. It exports nothing: a process
// that loads it in place of the system's may fail on its first theme call,
// after the record is made. See common/stand_in.h.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t marker[MAX_PATH + 32] = {};
    const DWORD length = GetModuleFileNameW(instance, marker, MAX_PATH);
    DWORD folder = length;
    while (folder > 0 && marker[folder - 1] != L'\\') --folder;
    lstrcpyW(marker + folder, L"uxtheme-loaded.txt");
    wchar_t exe[MAX_PATH + 2] = {};
    DWORD size = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    lstrcpyW(exe + size, L"\r\n");
    HANDLE file = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written = 0;
    WriteFile(file, exe, (size + 2) * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
    return TRUE;
}
