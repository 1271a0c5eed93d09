#include "platform/user_interface.h"

#include <commctrl.h>

#include "platform/dll_search.h"

namespace platform {

void PrepareUserInterface() {
    static bool prepared = false;
    if (prepared) return;
    // Before anything here loads user32 or gdi32 (the common controls do).
    LoadSystemDllsByFullPath();
    InitCommonControls();
    prepared = true;
}

unsigned long ShowErrorBox(HWND owner, const std::wstring& text) {
    PrepareUserInterface();
    SetLastError(ERROR_SUCCESS);
    if (MessageBoxW(owner, text.c_str(), L"Tarnwick",
                    MB_OK | MB_ICONERROR | MB_TOPMOST | MB_SETFOREGROUND) != 0) {
        return ERROR_SUCCESS;
    }
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

}  // namespace platform
