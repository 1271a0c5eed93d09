#include "support/run_log.h"

#include <windows.h>

#include "platform/clock.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace {

// Access denied also says where the right to write the log comes from.
[[noreturn]] void Fail(DWORD error, const std::wstring& context) {
    throw platform::RunFailure{
        error, platform::SystemErrorText(error) + platform::RightsHint(error), context};
}

// After a new log could not be begun: the file, if one is there, still
// holds an earlier check's lines, perhaps another user's complete run.
std::wstring NotBegun(const std::wstring& path) {
    std::wstring text = L"\r\n今回のチェックのログは書き込まれていません。";
    WIN32_FILE_ATTRIBUTE_DATA file = {};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &file) &&
        (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        (file.nFileSizeLow != 0 || file.nFileSizeHigh != 0)) {
        text += L"このファイルにあるのは以前のチェックのログで、今回のものではありません。";
    }
    return text;
}

}  // namespace

OpenedLog::OpenedLog(const std::wstring& path, LogMode mode) : path_(path) {
    const bool fresh = mode == kLogNew;
    // Readers may look at the log while the run goes on, and on a PC that
    // several people use at once, another session's check may append to the
    // same log at the same moment: both lines are kept. A new log is the old
    // file opened and emptied, never one created over it: Windows refuses
    // that (error 5) for a hidden or system file, and the file keeps the
    // attributes an administrator gave it.
    file_ = platform::ScopedHandle(CreateFileW(
        path.c_str(), fresh ? GENERIC_WRITE : FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_.valid()) {
        const DWORD error = GetLastError();
        Fail(error, L"ログファイルを開けません：" + path + (fresh ? NotBegun(path) : L""));
    }
    if (fresh && !SetEndOfFile(file_.get())) {
        const DWORD error = GetLastError();
        Fail(error, L"ログファイルを空にできません：" + path + NotBegun(path));
    }
}

void OpenedLog::Write(const std::wstring& message) {
    const platform::LocalNowText now = platform::LocalDateAndTimeText();
    const std::string line = platform::ToAnsi(now.date + L" " + now.time + L" " + message) + "\r\n";
    DWORD written = 0;
    if (!WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size()) {
        Fail(GetLastError(), L"ログファイルに書き込めません：" + path_);
    }
}

void WriteLog(const std::wstring& path, const std::wstring& message, LogMode mode) {
    OpenedLog(path, mode).Write(message);
}
