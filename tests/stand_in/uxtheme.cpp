// A stand-in for the theme DLL that a user could place beside the exe: when
// loaded into a process, it leaves "uxtheme-loaded.txt" in its own folder,
// holding the path of that process's exe. Tests put it where it must never
// be loaded from and run with WINEDLLOVERRIDES=uxtheme=n,b, so that Wine,
// like Windows, would take it before its own.
//
// It exports what the common controls and the window system call, answering
// as a theme DLL with no theme active, so that a process that does load it
// goes on and ends as it would have.
#include <windows.h>

namespace {

wchar_t g_self[MAX_PATH];

void LeaveMarker() {
    std::size_t slash = 0;
    for (std::size_t i = 0; g_self[i] != L'\0'; ++i) {
        if (g_self[i] == L'\\') slash = i + 1;
    }
    wchar_t marker[MAX_PATH + 32] = {};
    for (std::size_t i = 0; i < slash; ++i) marker[i] = g_self[i];
    lstrcpyW(marker + slash, L"uxtheme-loaded.txt");
    wchar_t exe[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    HANDLE file = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, exe, length * sizeof(wchar_t), &written, nullptr);
    WriteFile(file, L"\r\n", 2 * sizeof(wchar_t), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        GetModuleFileNameW(instance, g_self, MAX_PATH);
        LeaveMarker();
    }
    return TRUE;
}

// No theme: no theme handle is ever given out, so the drawing calls that
// take one are not reached; they fail all the same if they are.
using HTHEME = HANDLE;
extern "C" {
__declspec(dllexport) BOOL WINAPI IsThemeActive() {
    return FALSE;
}
__declspec(dllexport) BOOL WINAPI IsAppThemed() {
    return FALSE;
}
__declspec(dllexport) HTHEME WINAPI OpenThemeData(HWND, LPCWSTR) {
    return nullptr;
}
__declspec(dllexport) HTHEME WINAPI OpenThemeDataForDpi(HWND, LPCWSTR, UINT) {
    return nullptr;
}
__declspec(dllexport) HTHEME WINAPI GetWindowTheme(HWND) {
    return nullptr;
}
__declspec(dllexport) HRESULT WINAPI CloseThemeData(HTHEME) {
    return S_OK;
}
__declspec(dllexport) HRESULT WINAPI EnableThemeDialogTexture(HWND, DWORD) {
    return S_OK;
}
__declspec(dllexport) HRESULT WINAPI SetWindowTheme(HWND, LPCWSTR, LPCWSTR) {
    return S_OK;
}
__declspec(dllexport) HRESULT WINAPI DrawThemeParentBackground(HWND, HDC, const RECT*) {
    return E_NOTIMPL;
}
__declspec(dllexport) HRESULT WINAPI
    DrawThemeBackground(HTHEME, HDC, int, int, const RECT*, const RECT*) {
    return E_NOTIMPL;
}
__declspec(dllexport) HRESULT WINAPI
    DrawThemeEdge(HTHEME, HDC, int, int, const RECT*, UINT, UINT, RECT*) {
    return E_NOTIMPL;
}
__declspec(dllexport) HRESULT WINAPI
    DrawThemeText(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*) {
    return E_NOTIMPL;
}
__declspec(dllexport) HRESULT WINAPI
    DrawThemeTextEx(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, RECT*, const void*) {
    return E_NOTIMPL;
}
__declspec(dllexport) HRESULT WINAPI
    GetThemeBackgroundContentRect(HTHEME, HDC, int, int, const RECT*, RECT*) {
    return E_NOTIMPL;
}
__declspec(dllexport) HRESULT WINAPI
    GetThemeBackgroundExtent(HTHEME, HDC, int, int, const RECT*, RECT*) {
    return E_NOTIMPL;
}
__declspec(dllexport) HRESULT WINAPI GetThemeColor(HTHEME, int, int, int, COLORREF*) {
    return E_NOTIMPL;
}
__declspec(dllexport) HRESULT WINAPI GetThemeFont(HTHEME, HDC, int, int, int, LOGFONTW*) {
    return E_NOTIMPL;
}
__declspec(dllexport) HRESULT WINAPI GetThemeInt(HTHEME, int, int, int, int*) {
    return E_NOTIMPL;
}
__declspec(dllexport) HRESULT WINAPI GetThemeMargins(HTHEME, HDC, int, int, int, RECT*, void*) {
    return E_NOTIMPL;
}
__declspec(dllexport) HRESULT WINAPI GetThemePartSize(HTHEME, HDC, int, int, RECT*, int, SIZE*) {
    return E_NOTIMPL;
}
__declspec(dllexport) HRESULT WINAPI
    GetThemeTextExtent(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, const RECT*, RECT*) {
    return E_NOTIMPL;
}
__declspec(dllexport) BOOL WINAPI IsThemeBackgroundPartiallyTransparent(HTHEME, int, int) {
    return FALSE;
}
__declspec(dllexport) BOOL WINAPI IsThemePartDefined(HTHEME, int, int) {
    return FALSE;
}
}
