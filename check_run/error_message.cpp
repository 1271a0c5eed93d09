#include "check_run/error_message.h"

#include "check_run/run_state.h"
#include "platform/text.h"
#include "platform/user_interface.h"
#include "support/run_log.h"

void ShowErrorMessage(HWND owner, const std::wstring& text) {
    const unsigned long error = platform::ShowErrorBox(owner, text);
    if (error == ERROR_SUCCESS || RunState.LogPath.empty()) return;
    try {
        WriteLog(RunState.LogPath,
                 L"エラーメッセージを表示できません：エラー番号 " + platform::DecimalText(error),
                 kLogAppend);
    } catch (...) {
        // The failure being reported is the log's own (or memory): nothing
        // more can be said.
    }
}
