// Starting programs and seeing them through: Tarnwick.exe (or any exe) with
// the environment a case needs, its windows answered until it ends, and
// Linux commands started from inside Wine.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace common {

struct RunOptions {
    // Variables to set (or, with an empty optional, remove) for the run;
    // none: the run inherits this program's environment.
    std::map<std::wstring, std::optional<std::wstring>> environment;
    std::wstring currentFolder;  // default: the exe's folder
    DWORD timeoutMs = 30000;
    // Turns on Wine's debug output of the events the run writes and of the
    // DLLs it loads, kept for Run::WineOutput.
    bool watchEvents = false;
    // Under Wine, the Linux locale to start in (LC_ALL), which sets the ANSI
    // code page: "C.UTF-8" gives 1252, a Western Windows. Wine hands a child
    // its parent's Linux environment whatever `environment` says, so such a
    // run is started through Linux's env and found by its exe's path.
    std::wstring linuxLocale = L"";
};

// A started program; stopped on destruction if still running.
class Run {
  public:
    Run(const std::wstring& exe, const RunOptions& options = {});
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    HANDLE process() const { return process_; }
    // Waits for the exit; the exit status, or nullopt after a time-out (the
    // process is then stopped).
    std::optional<DWORD> Wait();
    DWORD timeoutMs() const { return timeoutMs_; }
    // With RunOptions::watchEvents: whether it was asked for, and what Wine
    // printed from the start of this run on (of every program then running,
    // see tests/e2e/keep-wine-output.sh).
    bool watched() const { return outputStart_.has_value(); }
    std::string WineOutput() const;

  private:
    HANDLE process_ = nullptr;
    DWORD timeoutMs_;
    std::optional<std::uint64_t> outputStart_;  // where the run's Wine output begins
};

// Answers a started Tarnwick's windows until it ends, as a person would:
// each error message is handed to `onMessage` with its text and then
// answered with OK; each warning window, once settled, to `onWarning`, which
// must close it. The exit status, or nullopt when the run did not end in its
// time or a warning window stayed open (reported, and the run stopped).
std::optional<DWORD> AnswerWindows(Run& run,
                                   const std::function<void(const std::wstring&)>& onMessage,
                                   const std::function<void(HWND)>& onWarning);

// Polls `condition` until it holds; false when the time ran out first.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 3000);

// Under Wine: starts a Linux program by its Linux path, with the command line
// given, in `folder` (default: this program's current folder). Wine gives no
// handle to wait on: the caller awaits the program's effect. False when not
// under Wine or it could not be started.
bool StartLinuxProgram(const char* program, std::wstring commandLine,
                       const std::wstring& folder = L"");
// Under Wine, the Linux path of a Windows path, as UTF-8; empty elsewhere.
std::string LinuxPath(const std::wstring& path);

}  // namespace common
