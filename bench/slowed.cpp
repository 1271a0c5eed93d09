// Linked only into a bench build of the program, Tarnwick-slowed.exe, which
// make bench must find out of bound: before the check starts, it writes
// extra lines with the program's own WriteLog, about a fifth of what such a
// check costs, to a file of its own beside the exe, so that the check's own
// log stays as the check writes it.
#include <windows.h>

#include <string>

#include "support/run_log.h"

namespace {

constexpr int kExtraLines = 60;

bool WriteExtraLines() {
    wchar_t exe[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::wstring path(exe, length);
    const std::wstring log = path.substr(0, path.find_last_of(L'\\') + 1) + L"slowed.log";
    WriteLog(log, L"遅くしたビルド", kLogNew);
    for (int i = 1; i < kExtraLines; ++i) {
        WriteLog(log, L"余分な行 " + std::to_wstring(i), kLogAppend);
    }
    return true;
}

const bool kWritten = WriteExtraLines();

}  // namespace
