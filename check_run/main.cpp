#include "check_run/main.h"

#include <windows.h>

#include <new>

#include "check_run/error_message.h"
#include "check_run/event_report.h"
#include "check_run/run_state.h"
#include "check_run/settings_load.h"
#include "check_run/store_location.h"
#include "check_run/store_scan.h"
#include "platform/environment.h"
#include "platform/failure.h"
#include "platform/run_lock.h"
#include "support/run_log.h"

int Main() {
    const platform::ExeLocation exe = platform::ExeFolderAndBaseName();
    // The backslash is added even after a root folder's own: "C:\\Tarnwick.ini"
    // is still a valid path.
    RunState.IniPath = exe.folder + L"\\" + exe.baseName + L".ini";
    const std::wstring logPath = exe.folder + L"\\" + exe.baseName + L".log";

    // A second start while a check is under way (a Startup shortcut and a
    // logon script, a double click) leaves the log and the profile to it.
    const platform::RunLock lock(exe.folder, exe.baseName);
    if (!lock.held()) return kAlreadyRunning;
    // What the run is doing, for a failure that cannot say it itself: memory
    // running out may strike in any step.
    std::wstring step = L"ログの書き込み中：" + logPath;
    try {
        WriteLog(logPath, L"Tarnwick 起動", kLogNew);
        // Only now is the log this run's: a log that could not be begun holds
        // an earlier check, and nothing of this run is added to it.
        RunState.LogPath = logPath;
        step = L"設定の読み込み中：" + RunState.IniPath;
        LoadSettings();
        step = L"メールストアの場所の取得中";
        const StoreOutcome store = LocateStore();
        step = L"メールストアの検査中：" + RunState.StoreRoot;
        if (store == StoreOutcome::Found) ScanStore();
        step = L"ログの書き込み中：" + RunState.LogPath;
        const int status = RunState.NotStored ? kNotStored : kChecked;
        // The end line stays the log's last, after the summary and any line
        // about it. The log is opened for it before the summary is written,
        // so that no hold or change of rights can make the status untrue.
        OpenedLog log(RunState.LogPath, kLogAppend);
        ReportRunSummary(status);
        log.Write(L"Tarnwick 終了");
        return status;
    } catch (const platform::RunFailure& failure) {
        // Shown while the lock is held: until the message is answered, no
        // other check touches the log.
        return EndWithFailure(failure);
    } catch (const std::bad_alloc&) {
        return EndWithFailure(
            {ERROR_NOT_ENOUGH_MEMORY, platform::SystemErrorText(ERROR_NOT_ENOUGH_MEMORY), step});
    }
}

int EndWithFailure(const platform::RunFailure& failure) {
    ReportFailedRun(failure);
    ReportRunSummary(kFailed);
    ShowErrorMessage(nullptr, platform::FailureMessageText(failure));
    return kFailed;
}
