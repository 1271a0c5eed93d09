// Exemptions: "No Check" entries binding a folder name to the store path for
// which the user asked not to be warned again.
#pragma once

#include <string>

// False for an exemption that could never match once recorded. A folder name
// must stand as its own key in "No Check": not "Visible" in any letter case
// (the check box setting lives under that key), not a name the ANSI code page
// cannot hold (it would share a key with other such names), nor one the
// profile would read back as another key or not at all (holding "=",
// starting with ";" or "[", with outer spaces). The store path, its value,
// must come back whole: within the ANSI code page and at most 1023 bytes.
bool CanRecordExemption(const std::wstring& folderName, const std::wstring& storeRoot);

// True when "No Check" holds exactly the current store path for the folder.
// The section is read on the first call of a run (RunState.Exemptions): the
// file may be locked or rewritten by others later, while windows are open.
bool IsExempted(const std::wstring& folderName);

// Records the current store path for the current folder. Returns 0 when it
// was stored, or the Windows error number (see StoreProfileValue).
unsigned long RecordExemption();
