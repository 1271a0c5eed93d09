// Where the process looks for the DLLs it loads by name. Windows looks in the
// exe's folder first for any DLL that is not on its KnownDLLs list (uxtheme,
// which the common controls load for the warning window, is one), and that
// folder may be one that other users of the PC can write to.
#pragma once

namespace platform {

// Called first thing, before anything loads a DLL: takes the current folder
// out of the search, and limits the search to the system folder where
// Windows offers that (Windows 8 and later, Vista and 7 with the update that
// adds SetDefaultDllDirectories). It loads nothing: a check with nothing to
// show starts no window system.
void LimitDllSearchToSystemFolder();

// Loads, from the system folder by full path, the DLLs that the window and
// message-box paths load by name, so that a later load by name finds them
// already in the process and searches no folder. Called before the first
// window or message box on every Windows: on Windows XP, and on Vista and 7
// without the update, it is the only guard; the system folder's own copies
// cost nothing where the search is limited too. A DLL the system does not
// have is skipped. Never comctl32: loaded by path it would be version 5, not
// the version 6 the manifest asks for.
void LoadSystemDllsByFullPath();

}  // namespace platform
