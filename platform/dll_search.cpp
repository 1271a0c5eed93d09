#include "platform/dll_search.h"

#include <windows.h>

#include <string>

#include "platform/proc_address.h"

namespace platform {

void LimitDllSearchToSystemFolder() {
    // Windows XP SP1 and later: the current folder (a logon script's, a
    // shortcut's "Start in") is no longer searched. Explorer, started by
    // the folder button, inherits this; it only narrows its search too.
    SetDllDirectoryW(L"");
    decltype(&::SetDefaultDllDirectories) setDefaultDllDirectories = nullptr;
    if (Bind(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories",
             &setDefaultDllDirectories)) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

void LoadSystemDllsByFullPath() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    // System DLLs that are not KnownDLLs on every Windows and that user32,
    // gdi32, comctl32 6 and the theme may load by name on the way to a
    // window or a message box. lpk first: on Windows XP the start-up of
    // user32 and gdi32 asks for it by name, and it is loaded here before
    // either (its own usp10 then comes from the system folder too). msimg32
    // is the theme's.
    for (const wchar_t* name :
         {L"lpk.dll", L"usp10.dll", L"uxtheme.dll", L"userenv.dll", L"setupapi.dll", L"apphelp.dll",
          L"propsys.dll", L"dwmapi.dll", L"cryptbase.dll", L"oleacc.dll", L"clbcatq.dll",
          L"version.dll", L"msimg32.dll"}) {
        const std::wstring path = std::wstring(folder) + L"\\" + name;
        // Their own imports are looked for beside them, in the system folder,
        // not beside the exe.
        LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
}

}  // namespace platform
