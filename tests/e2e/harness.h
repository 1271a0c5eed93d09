// End-to-end bench: runs the real Tarnwick.exe from a scratch folder with the
// registry and environment a case needs, and judges what it left behind and
// what it showed. The shared helpers (common/) come with it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/log_lines.h"
#include "common/process.h"
#include "common/readers.h"
#include "common/registry.h"
#include "common/text.h"

namespace e2e {

using namespace common;

// A scratch folder holding a copy of Tarnwick.exe.
class Scratch : public ScratchFolder {
  public:
    explicit Scratch(const std::wstring& name);
    std::wstring exe;  // dir + Tarnwick.exe
};

// The bytes of a profile with every setting present, so that a run writes
// nothing into it of its own accord: each value as it stands in the file, in
// code page 932, and the exemption lines after Visible.
struct ProfileValues {
    std::string limit = "2097152";
    std::string warning = "1048576";
    std::string title = Cp932(L"容量警告");
    std::string message = Cp932(L"受信トレイが大きくなっています。古いメールを整理して下さい。");
    std::string visible = "1";
    std::string exemptions;  // "folder=store\r\n" lines
    // The value of the setting with this key (LimitSize ... Visible).
    std::string& operator[](const std::string& key);
};
std::string ProfileBytes(const ProfileValues& values = {});

// An event as Wine's ReportEventW printed it: the type and ID on its
// "advapi" line, each string on an "eventlog" line (non-ASCII escaped, which
// is undone here; a string Wine cut short ends in "...").
struct Event {
    unsigned type = 0;  // 1 error, 2 warning, 4 information
    unsigned long id = 0;
    std::vector<std::wstring> strings;
    friend bool operator==(const Event&, const Event&) = default;
};
void PrintTo(const Event& event, std::ostream* out);

// The event log. Types and IDs as the README lists them.
constexpr unsigned kErrorEvent = 1, kWarningEvent = 2, kInformationEvent = 4;
constexpr unsigned long kRunSummaryEvent = 1000, kWarnedEvent = 1001, kWarnedAndSkippedEvent = 1002,
                        kSkippedLargeEvent = 1003, kSkippedAtLimitEvent = 1004,
                        kRunFailedEvent = 1005, kSkipNotRecordedEvent = 1006,
                        kEventsLimitedEvent = 1007;

constexpr int kMostFolderEvents = 20;  // a run's folder events, before the one saying so

// The user the runs run as, the last string of every event.
inline std::wstring UserName() {
    wchar_t name[257] = {};
    DWORD size = 257;
    GetUserNameW(name, &size);
    return name;
}

// A folder event: folder, store, size, warning size, limit, room left (all
// in kilobytes), user.
inline Event FolderEvent(unsigned type, unsigned long id, const std::wstring& folder,
                         const std::wstring& store, std::int64_t kilobytes,
                         std::int64_t warningSize = 1048576, std::int64_t limit = 2097152) {
    return {type,
            id,
            {folder, store, std::to_wstring(kilobytes), std::to_wstring(warningSize),
             std::to_wstring(limit), std::to_wstring(limit - kilobytes), UserName()}};
}

// What one run of Tarnwick.exe printed: its events and the file names of the
// DLLs it loaded (lower case), in order.
struct WineTrace {
    bool found = false;  // the run's own output was found at all
    std::vector<Event> events;
    std::vector<std::wstring> dlls;
    std::vector<std::wstring> dllPaths;  // the same DLLs' full paths (lower case)
    // The calls that prepare and show windows ("comctl32.InitCommonControls",
    // "user32.MessageBoxW", ...) and open files ("KERNEL32.CreateFileW"),
    // in order, and each one's arguments as Wine printed them (a string in
    // quotes, a number in hex digits, of which a 64-bit process's low 32
    // bits are the argument; "," between).
    std::vector<std::string> calls;
    std::vector<std::string> callArguments;
};

// With RunOptions::watchEvents, once the run has ended: what it printed.
WineTrace TraceOf(const Run& run);

struct Outcome {
    std::optional<DWORD> exitCode;     // nullopt: hung and was killed
    std::vector<std::wstring> errors;  // texts of error messages, answered
    int warnings = 0;                  // warning windows, answered
    WineTrace trace;                   // with RunOptions::watchEvents
};

// Runs to the end, closing every warning window with cmdClose and answering
// every error message with OK.
Outcome RunToEnd(const Scratch& scratch, const RunOptions& options = {});
// The same for a run already started (and perhaps driven by hand so far).
// `onWarning`, when given, answers each warning window in place of cmdClose
// and must close it.
Outcome Finish(Run& run, const std::function<void(HWND)>& onWarning = {});
// Ticks the box of a warning and presses cmdClose, as a person would.
void TickAndClose(HWND warning);

// The number in "エラー番号 N：description", or nothing when the message does
// not name the failure by a number followed by a description.
std::optional<unsigned long> ErrorNumber(const std::wstring& text);
// Exit status 0, no error message, and the end line.
void ExpectNormalEnd(const Outcome& outcome, const Scratch& scratch);
// One error message with a number (one of `numbers`, if any are given) and a
// description, exit status 1, and no end line.
void ExpectFailure(const Outcome& outcome, const Scratch& scratch,
                   const std::vector<unsigned long>& numbers = {});

// Parts of the log: the five setting lines (as many as there are); from the
// identity on (the start line and the setting lines cut); after the store
// line (the per-file lines and what follows, in order); and the per-file
// lines alone, sorted.
std::vector<std::wstring> SettingsLogged(const Scratch& scratch);
std::vector<std::wstring> AfterSettings(const Scratch& scratch);
std::vector<std::wstring> ScanLines(const Scratch& scratch);
std::vector<std::wstring> FileLines(const Scratch& scratch);

}  // namespace e2e
