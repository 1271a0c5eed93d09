#include "support/run_log.h"

#include <windows.h>

#include "platform/failure.h"
#include "platform/scoped.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace {

// Access denied also says where the right to write the log comes from.
[[noreturn]] void Fail(const std::wstring& context) {
    const DWORD error = GetLastError();
    throw platform::RunFailure{
        error, platform::SystemErrorText(error) + platform::RightsHint(error), context};
}

}  // namespace

void WriteLog(const std::wstring& path, const std::wstring& message, LogMode mode) {
    const platform::LocalNowText now = platform::LocalDateAndTimeText();
    const std::string line = platform::ToAnsi(now.date + L" " + now.time + L" " + message) + "\r\n";
    const bool fresh = mode == kLogNew;
    // Readers may look at the log while the run goes on, and on a PC that
    // several people use at once, another session's check may append to the
    // same log at the same moment: both lines are kept.
    platform::ScopedHandle file(CreateFileW(
        path.c_str(), fresh ? GENERIC_WRITE : FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, fresh ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) Fail(L"ログファイルを開けません：" + path);
    DWORD written = 0;
    if (!WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size()) {
        Fail(L"ログファイルに書き込めません：" + path);
    }
}
