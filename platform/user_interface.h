// What the program shows: its one window and its error message boxes need
// the common controls loaded first.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// Loads the system's own copies of the DLLs that windows and message boxes
// look up by name (see LoadSystemDllsByFullPath), then the common controls
// that the manifest names (version 6), once per process. Every window and
// message box comes after it: Windows XP creates no message box in an exe
// with that manifest until they are loaded.
void PrepareUserInterface();

// Shows an error message box captioned "Tarnwick", owned by `owner` (none:
// nullptr), above every other window and asking to come to the foreground
// (a logon check may start while the user works in another program), and
// waits until the user answers it. 0 once it was shown;
// otherwise the Windows error number of why it could not be.
unsigned long ShowErrorBox(HWND owner, const std::wstring& text);

}  // namespace platform
