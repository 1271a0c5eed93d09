// tarnwick_driver: runs Tarnwick.exe and acts on its windows the way the
// sample run wants, for `make run` on a machine without a person at it.
//
//   tarnwick_driver hold-desktop
//       keeps a hidden window open until it is ended, so that Wine's desktop
//       process stays up between the test programs instead of being started
//       anew (about a second) for each of them.
//   tarnwick_driver run EXE [--shots FOLDER] [--tick-first]
//       starts EXE, saves each warning window as FOLDER\warning-N.bmp,
//       ticks the box in the first one if asked, presses 閉じる in each, and
//       answers error messages. Prints what each window showed; the exit
//       status is Tarnwick's (or 2 when it hung and was stopped).
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/process.h"
#include "common/text.h"
#include "common/window_driver.h"
#include "warning_window/layout.h"

namespace {

void Print(const std::wstring& text) {
    const std::string bytes = common::Utf8(text + L"\n");
    fwrite(bytes.data(), 1, bytes.size(), stdout);
    fflush(stdout);
}

int HoldDesktop() {
    HWND window = CreateWindowExW(0, L"STATIC", L"hold-desktop", WS_POPUP, 0, 0, 1, 1, nullptr,
                                  nullptr, nullptr, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    DestroyWindow(window);
    return 0;
}

int RunTarnwick(const std::wstring& exe, const std::wstring& shots, bool tickFirst) {
    common::RunOptions options;
    options.timeoutMs = 120000;
    common::Run run(exe, options);
    int count = 0;
    const std::optional<DWORD> code = common::AnswerWindows(
        run, [](const std::wstring& text) { Print(L"error message: " + text); },
        [&](HWND warning) {
            Sleep(300);  // let the window finish painting before the picture
            ++count;
            Print(L"warning window " + std::to_wstring(count) + L": " +
                  driver::Control(warning, lblFolderName).text + L" / " +
                  driver::Control(warning, lblFileSize).text);
            if (!shots.empty()) {
                const std::wstring path = shots + L"\\warning-" + std::to_wstring(count) + L".bmp";
                if (driver::SaveWindowBitmap(warning, path)) Print(L"  saved " + path);
            }
            if (count == 1 && tickFirst) {
                driver::ClickId(warning, chkNoCheck);
                driver::Settle(warning);
                Print(L"  ticked: " + driver::Control(warning, chkNoCheck).text);
            }
            Print(L"  pressed: " + driver::Control(warning, cmdClose).text);
            driver::ClickId(warning, cmdClose);
        });
    return static_cast<int>(code.value_or(2));
}

}  // namespace

namespace common {
void ReportFailure(const std::string& what) {
    Print(Utf16(what));
}
}  // namespace common

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wstring(argv[1]) == L"hold-desktop") return HoldDesktop();
    if (argc >= 3 && std::wstring(argv[1]) == L"run") {
        std::wstring shots;
        bool tickFirst = false;
        for (int i = 3; i < argc; ++i) {
            const std::wstring option = argv[i];
            if (option == L"--shots" && i + 1 < argc) shots = argv[++i];
            if (option == L"--tick-first") tickFirst = true;
        }
        return RunTarnwick(argv[2], shots, tickFirst);
    }
    Print(L"usage: tarnwick_driver hold-desktop | run EXE [--shots FOLDER] [--tick-first]");
    return 2;
}
