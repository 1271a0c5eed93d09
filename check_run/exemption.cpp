#include "check_run/exemption.h"

#include <windows.h>

#include "check_run/run_state.h"
#include "platform/text.h"
#include "support/profile_file.h"

bool CanRecordExemption(const std::wstring& folderName) {
    if (folderName.empty()) return false;
    if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, folderName.c_str(), -1, kVisibleKey,
                       -1) == CSTR_EQUAL) {
        return false;
    }
    if (folderName.find(L'=') != std::wstring::npos) return false;
    if (folderName.front() == L';' || folderName.front() == L'[') return false;
    const wchar_t* const spaces = L" \t\u3000";
    if (wcschr(spaces, folderName.front()) || wcschr(spaces, folderName.back())) return false;
    return platform::FitsAnsi(folderName);
}

bool IsExempted(const std::wstring& folderName) {
    return CanRecordExemption(folderName) &&
           ReadIniString(RunState.IniPath, kNoCheckSection, folderName) == RunState.StoreRoot;
}

void RecordExemption() {
    WriteIniString(RunState.IniPath, kNoCheckSection, RunState.FolderName, RunState.StoreRoot);
}
