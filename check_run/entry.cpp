// The process entry: runs the check, and turns a failure into the error
// message and exit status 1.
#include <windows.h>

#include "check_run/main.h"
#include "platform/dll_search.h"
#include "platform/failure.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before any DLL is loaded by name: none may come from the exe's folder.
    platform::LimitDllSearchToSystemFolder();
    try {
        return Main();
    } catch (const platform::RunFailure& failure) {
        return EndWithFailure(failure);
    } catch (const std::bad_alloc&) {
        // Before the check started (its own steps say where they were).
        return EndWithFailure({ERROR_NOT_ENOUGH_MEMORY,
                               platform::SystemErrorText(ERROR_NOT_ENOUGH_MEMORY), L"起動中"});
    }
}
