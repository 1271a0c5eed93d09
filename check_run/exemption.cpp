#include "check_run/exemption.h"

#include <windows.h>

#include "check_run/profile_write.h"
#include "check_run/run_state.h"
#include "platform/text.h"
#include "support/profile_file.h"

bool CanRecordExemption(const std::wstring& folderName, const std::wstring& storeRoot) {
    if (folderName.empty()) return false;
    if (!platform::FitsAnsi(storeRoot) || platform::ToAnsi(storeRoot).size() > kReadLimitBytes) {
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

namespace {

// Key names as the profile service compares them: letter case ignored, one
// character at a time.
bool SameKey(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && platform::UpperCase(a) == platform::UpperCase(b);
}

}  // namespace

bool IsExempted(const std::wstring& folderName) {
    if (!CanRecordExemption(folderName, RunState.StoreRoot)) return false;
    if (!RunState.ExemptionsRead) {
        // Each value as the reader gives it for its key: the first of keys
        // that differ only in letter case stands for all of them.
        for (const std::wstring& key : ReadIniKeys(RunState.IniPath, kNoCheckSection)) {
            RunState.Exemptions.emplace_back(key,
                                             ReadIniString(RunState.IniPath, kNoCheckSection, key));
        }
        RunState.ExemptionsRead = true;
    }
    for (const auto& [key, storeRoot] : RunState.Exemptions) {
        if (SameKey(key, folderName)) return storeRoot == RunState.StoreRoot;
    }
    return false;
}

unsigned long RecordExemption() {
    const unsigned long error =
        StoreProfileValue(kNoCheckSection, RunState.FolderName, RunState.StoreRoot);
    if (error == ERROR_SUCCESS && RunState.ExemptionsRead) {
        RunState.Exemptions.emplace(RunState.Exemptions.begin(), RunState.FolderName,
                                    RunState.StoreRoot);
    }
    return error;
}
