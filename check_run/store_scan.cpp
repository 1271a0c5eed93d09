#include "check_run/store_scan.h"

#include <windows.h>

#include <string>
#include <vector>

#include "check_run/error_message.h"
#include "check_run/event_report.h"
#include "check_run/exemption.h"
#include "check_run/profile_write.h"
#include "check_run/run_state.h"
#include "platform/failure.h"
#include "platform/folder_listing.h"
#include "platform/text.h"
#include "support/run_log.h"
#include "warning_window/warning_window.h"

std::int64_t KilobytesRoundedUp(std::uint64_t bytes) {
    return static_cast<std::int64_t>(bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0));
}

std::wstring FolderNameOf(const std::wstring& name) {
    const size_t dot = name.find_last_of(L'.');
    const std::wstring stem = name.substr(0, dot);
    // A copy such as "Inbox.dbx_old" or "Inbox.dbx~" keeps its whole name:
    // cut at its last dot it would pass for the folder "Inbox" itself, and
    // an exemption ticked for the copy would silence the real folder.
    if (stem.find(L".dbx") == std::wstring::npos &&
        name.compare(dot, std::wstring::npos, L".dbx") != 0) {
        return name;
    }
    return stem;
}

namespace {

void LogFile(const std::wstring& name, const wchar_t* verdict) {
    WriteLog(RunState.LogPath, name + L"  サイズ：" + RunState.SizeKbText + verdict, kLogAppend);
}

// Stores the exemption the user has just chosen; false when it did not
// take, which is logged, reported and shown, and the scan goes on with the
// other folder files.
bool RecordChoice() {
    const unsigned long error = RecordExemption();
    if (error == ERROR_SUCCESS) {
        WriteLog(RunState.LogPath, L"次回よりチェックを省略", kLogAppend);
        return true;
    }
    RunState.NotStored = true;
    ReportExemptionNotStored(RunState.FolderName, RunState.StoreRoot, error);
    WriteLog(RunState.LogPath,
             L"チェック省略を保存できません：エラー番号 " + platform::DecimalText(error),
             kLogAppend);
    ShowErrorMessage(
        nullptr,
        platform::FailureMessageText(
            {error, ProfileWriteErrorText(error),
             L"「次回から この個人用フォルダのサイズチェックを行わない」を保存できませんでした。"
             L"次回もこのフォルダの警告が表示されます。\r\n" +
                 RunState.FolderName + L"\r\n" + RunState.IniPath}));
    return false;
}

}  // namespace

void ScanStore() {
    const std::vector<std::wstring> names = platform::ListFileNames(RunState.StoreRoot);
    for (const std::wstring& name : names) {
        // Exact, letter case included: "x.DBX" is not looked at.
        if (name.find(L".dbx") == std::wstring::npos) continue;
        RunState.FolderName = FolderNameOf(name);

        const std::int64_t kilobytes =
            KilobytesRoundedUp(platform::FileLength(RunState.StoreRoot, name));
        RunState.SizeKbText = platform::DecimalText(kilobytes);
        ++RunState.FilesChecked;
        if (kilobytes > RunState.LargestKb) {
            RunState.LargestKb = kilobytes;
            RunState.LargestFolder = RunState.FolderName;
        }

        if (kilobytes < RunState.WarningSize) {
            LogFile(name, L", 警告サイズ以下");
            continue;
        }
        if (IsExempted(RunState.FolderName)) {
            LogFile(name, L", チェック省略対象");
            ++RunState.FoldersExempted;
            ReportExemptedFolder();
            continue;
        }
        LogFile(name, L", 警告画面表示");

        RunState.NoCheckChosen = false;
        ShowWarningWindow();
        ++RunState.FoldersWarned;
        // An exemption the profile refused has had its own event: reported
        // as chosen too, it would count as an opt-out that never happened.
        if (!RunState.NoCheckChosen || RecordChoice()) ReportWarnedFolder();
    }
}
