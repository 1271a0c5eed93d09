#include "check_run/store_location.h"

#include "check_run/run_state.h"
#include "platform/system.h"
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

    const std::wstring recorded = ReadText(
        L"Identities\\" + identity + L"\\Software\\Microsoft\\Outlook Express\\5.0", L"Store Root");
    if (recorded.empty()) {
        WriteLog(RunState.LogPath, L"Store Root が見つかりません", kLogAppend);
        return StoreOutcome::NoStoreRoot;
    }
    RunState.StoreRoot = ExpandStoreReferences(recorded);
    if (RunState.StoreRoot.empty() || RunState.StoreRoot.back() != L'\\') {
        RunState.StoreRoot += L'\\';
    }
    WriteLog(RunState.LogPath, L"Store Root取得：" + RunState.StoreRoot, kLogAppend);
    return StoreOutcome::Found;
}
