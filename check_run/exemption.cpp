#include "check_run/exemption.h"

#include <windows.h>

#include "check_run/event_report.h"
#include "check_run/run_state.h"
#include "platform/text.h"
#include "support/profile_file.h"

namespace {

// The most that ReadIniString gives back whole, in bytes of the code page.
constexpr size_t kLongestProfileValue = 1023;

}  // namespace

bool CanRecordExemption(const std::wstring& folderName, const std::wstring& storeRoot) {
    if (folderName.empty()) return false;
    if (!platform::FitsAnsi(storeRoot) ||
        platform::ToAnsi(storeRoot).size() > kLongestProfileValue) {
        return false;
    }
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
    return CanRecordExemption(folderName, RunState.StoreRoot) &&
           ReadIniString(RunState.IniPath, kNoCheckSection, folderName) == RunState.StoreRoot;
}

void RecordExemption() {
    if (!WriteIniString(RunState.IniPath, kNoCheckSection, RunState.FolderName, RunState.StoreRoot))
        ReportExemptionNotStored(RunState.FolderName, RunState.StoreRoot, GetLastError());
}
