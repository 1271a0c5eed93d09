#include "platform/process_start.h"

#include <windows.h>

#include "platform/failure.h"

namespace platform {

void StartProgram(const std::wstring& program, const std::wstring& commandLine) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    std::wstring mutableLine = commandLine;  // CreateProcessW may write into it
    if (!CreateProcessW(program.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        FailWithLastError(L"エクスプローラーを起動できません：" + commandLine);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

}  // namespace platform
