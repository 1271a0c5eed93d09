// End-to-end bench: runs the real Tarnwick.exe from a scratch folder with the
// registry and environment a case needs, and reads what it left behind.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "../code_page.h"

namespace e2e {

using codepage::Cp932;
using codepage::FromCp932;
using codepage::Utf16;

// The folder that holds this test program and the Tarnwick.exe built with it.
std::wstring BuildFolder();

// A fresh folder holding a copy of Tarnwick.exe, and its store subfolder.
class Scratch {
  public:
    explicit Scratch(const std::wstring& name);
    std::wstring dir;    // ends in a backslash
    std::wstring exe;    // dir + Tarnwick.exe
    std::wstring ini;    // dir + Tarnwick.ini
    std::wstring log;    // dir + Tarnwick.log
    std::wstring store;  // dir + store\ (created)

    // The profile's bytes exactly as a user's editor would have saved them.
    void WriteIni(const std::string& bytes) const;
    std::string IniBytes() const;
    std::string LogBytes() const;
    // The log's lines, decoded from code page 932, with the date and time cut
    // off (checked to be "date time " first).
    std::vector<std::wstring> LogMessages() const;
};

std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
// A file of the given length that is never written: sparse.
void MakeFile(const std::wstring& path, std::uint64_t length);
void RemoveTree(const std::wstring& path);

// HKCU\Identities: the default identity and its store location.
void SetIdentity(const std::wstring& identity, const std::wstring& storeRoot);
void SetDefaultIdentityRaw(const std::wstring& identity);  // no store location
void ClearIdentities();
void SetStoreRootRaw(const std::wstring& identity, DWORD type, const void* data, DWORD size);

struct RunOptions {
    // Variables to set (or, with an empty optional, remove) for the run.
    std::map<std::wstring, std::optional<std::wstring>> environment;
    std::wstring currentFolder;  // default: the scratch folder
    DWORD timeoutMs = 30000;
    // Turns on Wine's debug output of the events the run writes and of the
    // DLLs it loads, and reads them back into Outcome::trace.
    bool watchEvents = false;
};

// An event as Wine's ReportEventW printed it: the type and ID on its
// "advapi" line, each string on an "eventlog" line (non-ASCII escaped, which
// is undone here; a string Wine cut short ends in "...").
struct Event {
    unsigned type = 0;  // 1 error, 2 warning
    unsigned long id = 0;
    std::vector<std::wstring> strings;
    friend bool operator==(const Event&, const Event&) = default;
};
void PrintTo(const Event& event, std::ostream* out);

// The event log. Types and IDs as the README lists them.
constexpr unsigned kErrorEvent = 1, kWarningEvent = 2;
constexpr unsigned long kWarnedEvent = 1001, kWarnedAndSkippedEvent = 1002,
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
};

// A started Tarnwick.exe; killed on destruction if still running.
class Run {
  public:
    Run(const std::wstring& exe, const RunOptions& options = {});
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    HANDLE process() const { return process_; }
    // Waits for the exit; the exit status, or nullopt after a time-out (the
    // process is then killed).
    std::optional<DWORD> Wait();
    DWORD timeoutMs() const { return timeoutMs_; }
    // With RunOptions::watchEvents, once the run has ended: what it printed.
    WineTrace Trace() const;

  private:
    HANDLE process_ = nullptr;
    DWORD timeoutMs_;
    std::optional<std::uint64_t> outputStart_;  // where the run's Wine output begins
};

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
// and returns when the window is gone.
Outcome Finish(Run& run, const std::function<void(HWND)>& onWarning = {});

}  // namespace e2e
