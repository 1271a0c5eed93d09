#include "check_run/main.h"

#include "check_run/run_state.h"
#include "check_run/settings_load.h"
#include "check_run/store_location.h"
#include "check_run/store_scan.h"
#include "platform/system.h"
#include "support/run_log.h"

void Main() {
    const platform::ExeLocation exe = platform::ExeFolderAndBaseName();
    // The backslash is added even after a root folder's own: "C:\\Tarnwick.ini"
    // is still a valid path.
    RunState.IniPath = exe.folder + L"\\" + exe.baseName + L".ini";
    RunState.LogPath = exe.folder + L"\\" + exe.baseName + L".log";

    WriteLog(RunState.LogPath, L"Tarnwick 起動", kLogNew);
    LoadSettings();
    if (LocateStore() == StoreOutcome::Found) ScanStore();
    WriteLog(RunState.LogPath, L"Tarnwick 終了", kLogAppend);
}
