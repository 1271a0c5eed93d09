// The program's error message box, as every part of the run shows it.
#pragma once

#include <windows.h>

#include <string>

// Shows the error message (owned by `owner`, or by no window) and waits for
// the user. When it cannot be shown, the log says so with the error number,
// unless the log itself cannot be written: nothing claims the user saw it.
void ShowErrorMessage(HWND owner, const std::wstring& text);
