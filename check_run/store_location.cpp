#include "check_run/store_location.h"

#include <windows.h>

#include "check_run/run_state.h"
#include "platform/environment.h"
#include "platform/failure.h"
#include "support/registry_value.h"
#include "support/run_log.h"

namespace {

// The reference text as it must appear, and the variable it names. The order
// matters: a value that holds a later reference is expanded by that row.
const wchar_t* const kReferences[][2] = {
    {L"%HOMEDRIVE%", L"HOMEDRIVE"},
    {L"%HOMEPATH%", L"HOMEPATH"},
    {L"%ProgramFiles%", L"ProgramFiles"},
    {L"%SystemDrive%", L"SystemDrive"},
    {L"%SystemRoot%", L"SystemRoot"},
    {L"%TEMP%", L"TEMP"},
    {L"%TMP%", L"TMP"},
    {L"%UserProfile%", L"UserProfile"},
    {L"%windir%", L"windir"},
};

// A path that names one folder whatever the current drive and folder of the
// process: "C:\..." or "\\server\share\..." (so also "\\?\..."); Windows
// reads "/" as "\" in them.
bool IsFullPath(const std::wstring& path) {
    auto separator = [&](size_t at) {
        return at < path.size() && (path[at] == L'\\' || path[at] == L'/');
    };
    if (separator(0)) return separator(1) && path.size() > 2 && !separator(2);
    const wchar_t drive = path.empty() ? L'\0' : static_cast<wchar_t>(path[0] | 0x20);
    return drive >= L'a' && drive <= L'z' && path.size() > 1 && path[1] == L':' && separator(2);
}

std::wstring ReadText(const std::wstring& key, const std::wstring& name) {
    return std::get<std::wstring>(
        ReadRegistryValue(HKEY_CURRENT_USER, key, name, kRegistryText, std::wstring()));
}

}  // namespace

std::wstring ExpandStoreReferences(std::wstring location) {
    for (const auto& row : kReferences) {
        const std::wstring reference = row[0];
        const std::wstring value = platform::EnvironmentValue(row[1]);
        size_t at = 0;
        while ((at = location.find(reference, at)) != std::wstring::npos) {
            location.replace(at, reference.size(), value);
            at += value.size();  // never search the text just put in
        }
    }
    return location;
}

StoreOutcome LocateStore() {
    const std::wstring identity = ReadText(L"Identities", L"Default User ID");
    if (identity.empty()) {
        WriteLog(RunState.LogPath, L"GUIDが見つかりません", kLogAppend);
        return StoreOutcome::NoIdentity;
    }
    WriteLog(RunState.LogPath, L"GUID取得：" + identity, kLogAppend);
    RunState.Identity = identity;

    const std::wstring recorded = ReadText(
        L"Identities\\" + identity + L"\\Software\\Microsoft\\Outlook Express\\5.0", L"Store Root");
    if (recorded.empty()) {
        WriteLog(RunState.LogPath, L"Store Root が見つかりません", kLogAppend);
        return StoreOutcome::NoStoreRoot;
    }
    const std::wstring expanded = ExpandStoreReferences(recorded);
    std::wstring location = expanded;
    if (location.empty() || location.back() != L'\\') location += L'\\';
    // Judged with the final backslash, so that a drive's root recorded as
    // "D:" is the full path "D:\". Anything else would be taken from the
    // current drive or folder of the logon process: a folder nobody named.
    if (!IsFullPath(location)) {
        const std::wstring shown = expanded == recorded ? L"" : L" (" + expanded + L")";
        platform::FailWithError(ERROR_BAD_PATHNAME,
                                L"Store Root が完全なパスではありません：" + recorded + shown);
    }
    // Set only once it is a full path: a run that fails here found no store.
    RunState.StoreRoot = location;
    WriteLog(RunState.LogPath, L"Store Root取得：" + RunState.StoreRoot, kLogAppend);
    return StoreOutcome::Found;
}
