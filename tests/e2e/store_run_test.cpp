// Runs that find the mail store: the identity and store lines, one line per
// folder file, very large folder files, and the events of exempted ones.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

namespace {

const wchar_t kIdentity[] = L"{1F3A5C7E-9B2D-4E6F-8A1C-3E5F7A9B1D2F}";

// The opening every run with a found store shares: start, default settings,
// identity and store path.
std::vector<std::wstring> OpeningWithStore(const std::wstring& store) {
    std::vector<std::wstring> lines = DefaultOpening();
    lines.push_back(GuidLine(kIdentity));
    lines.push_back(StoreRootLine(store));
    return lines;
}

// Checks a complete run's log: the opening, the per-file lines in any order,
// then the end line.
void ExpectCompleteLog(const Scratch& scratch, const std::vector<std::wstring>& opening,
                       const std::vector<std::wstring>& fileLines) {
    const std::vector<std::wstring> messages = scratch.LogMessages();
    ASSERT_EQ(messages.size(), opening.size() + fileLines.size() + 1);
    EXPECT_EQ(std::vector<std::wstring>(messages.begin(),
                                        messages.begin() + static_cast<long>(opening.size())),
              opening);
    EXPECT_EQ(FileLines(scratch), Sorted(fileLines));
    EXPECT_EQ(messages.back(), EndLine());
}

// While it lives, Wine gives no process of Tarnwick.exe an advapi32.dll (a
// Wine setting per program): no event log can be written.
class NoAdvapi32 {
  public:
    NoAdvapi32() {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, L"advapi32", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""),
                       sizeof(wchar_t));
        RegCloseKey(key);
    }
    ~NoAdvapi32() {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Tarnwick.exe");
    }
    NoAdvapi32(const NoAdvapi32&) = delete;
    NoAdvapi32& operator=(const NoAdvapi32&) = delete;

  private:
    static constexpr wchar_t kOverrides[] =
        L"Software\\Wine\\AppDefaults\\Tarnwick.exe\\DllOverrides";
};

}  // namespace

TEST(StoreRun, AFirstRunLogsEachSmallFolderFile) {
    Scratch scratch(L"e2e_store_first");
    const std::wstring inbox = L"受信トレイ.dbx";
    MakeFile(scratch.store + inbox, 1025);
    MakeFile(scratch.store + L"Folders.dbx", 1024);
    // Recorded without its final backslash, which the run adds.
    SetIdentity(kIdentity, WithoutFinalBackslash(scratch.store));

    RunOptions watch;
    watch.watchEvents = true;
    const Outcome outcome = RunToEnd(scratch, watch);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_EQ(outcome.warnings, 0);
    // Nothing to report: no event, and the event log's DLL is never loaded.
    EXPECT_TRUE(outcome.trace.events.empty());
    EXPECT_FALSE(outcome.trace.dlls.empty());
    EXPECT_EQ(std::count(outcome.trace.dlls.begin(), outcome.trace.dlls.end(), L"advapi32.dll"), 0);
    ExpectCompleteLog(
        scratch, OpeningWithStore(scratch.store),
        {FileLine(inbox, 2, Verdict::Below), FileLine(L"Folders.dbx", 1, Verdict::Below)});

    // "受信トレイ.dbx" followed by the two spaces of the size label, in code page 932.
    EXPECT_NE(scratch.LogBytes().find("\x8e\xf3\x90\x4d\x83\x67\x83\x8c\x83\x43.dbx  "),
              std::string::npos);
}

// Folder files whose byte counts no longer fit in 32 bits once rounded up,
// up to past 4 GiB, are measured in full and warned about; the run still ends
// normally.
TEST(StoreRun, FilesPastTwoGibibytesAreMeasuredAndWarned) {
    Scratch scratch(L"e2e_huge");
    MakeFile(scratch.store + L"Near.dbx", 2147482625);   // one byte past 2097151 KB
    MakeFile(scratch.store + L"Three.dbx", 3221225472);  // 3 GiB
    MakeFile(scratch.store + L"Four.dbx", 4294968320);   // 4 GiB and 1 KB
    SetIdentity(kIdentity, scratch.store);

    RunOptions options;
    options.timeoutMs = 60000;
    const Outcome outcome = RunToEnd(scratch, options);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.errors.empty());
    EXPECT_EQ(outcome.warnings, 3);
    ExpectCompleteLog(scratch, OpeningWithStore(scratch.store),
                      {FileLine(L"Near.dbx", 2097152, Verdict::Warned),
                       FileLine(L"Three.dbx", 3145728, Verdict::Warned),
                       FileLine(L"Four.dbx", 4194305, Verdict::Warned)});
}

// Exempted folders at or above the warning size, which the user no longer
// sees, reach the administrator: a warning, an error from the limit on; at
// most 20 folder events a run, then one saying so. With events turned off in
// the profile, or no event log to write to, the run and its log are as
// before, but for one line saying that the event log could not be written.
TEST(EventLog, ExemptedFoldersAreReportedAtMostTwentyARunAndNeverGetInTheWay) {
    struct Row {
        const char* name;
        std::vector<std::pair<std::wstring, std::int64_t>> files;  // exempted, in KB
        std::string setting;                                       // in [Tarnwick]
        bool eventLogMissing = false;
    };
    std::vector<std::pair<std::wstring, std::int64_t>> many;
    for (int i = 0; i < kMostFolderEvents + 2; ++i) {
        many.push_back({L"F" + std::to_wstring(100 + i), 1048576});
    }
    const std::vector<std::pair<std::wstring, std::int64_t>> two = {{L"Inbox", 1048576},
                                                                    {L"Sent", 1048576}};
    const Row rows[] = {
        {"warning_and_limit", {{L"Inbox", 2097152}, {L"Sent", 1048576}}, ""},
        {"many", many, ""},
        {"turned_off", two, "EventLog=0\r\n"},
        {"no_event_log", two, "", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scratch scratch(L"e2e_events_" + Utf16(row.name));
        std::string exemptions;
        std::vector<std::wstring> fileLines;
        for (const auto& [folder, kilobytes] : row.files) {
            MakeFile(scratch.store + folder + L".dbx",
                     static_cast<std::uint64_t>(kilobytes) * 1024);
            exemptions += Cp932(folder) + "=" + Cp932(scratch.store) + "\r\n";
            fileLines.push_back(FileLine(folder + L".dbx", kilobytes, Verdict::Exempted));
        }
        scratch.WriteIni("[Tarnwick]\r\n" + row.setting + "[No Check]\r\n" + exemptions);
        SetIdentity(kIdentity, scratch.store);
        RunOptions options;
        options.watchEvents = true;
        const Outcome outcome = [&] {
            std::optional<NoAdvapi32> missing;
            if (row.eventLogMissing) missing.emplace();
            return RunToEnd(scratch, options);
        }();
        EXPECT_EQ(outcome.exitCode, 0u);
        EXPECT_TRUE(outcome.errors.empty());
        EXPECT_EQ(outcome.warnings, 0);
        std::vector<Event> events = outcome.trace.events;
        std::vector<std::wstring> logLines = fileLines;
        if (row.name == std::string("warning_and_limit")) {
            std::sort(events.begin(), events.end(),
                      [](const Event& a, const Event& b) { return a.strings < b.strings; });
            EXPECT_EQ(events, (std::vector<Event>{FolderEvent(kErrorEvent, kSkippedAtLimitEvent,
                                                              L"Inbox", scratch.store, 2097152),
                                                  FolderEvent(kWarningEvent, kSkippedLargeEvent,
                                                              L"Sent", scratch.store, 1048576)}));
        } else if (row.name == std::string("many")) {
            ASSERT_EQ(events.size(), static_cast<size_t>(kMostFolderEvents) + 1);
            for (int i = 0; i < kMostFolderEvents; ++i) {
                EXPECT_EQ(events[i].id, kSkippedLargeEvent);
            }
            EXPECT_EQ(events.back(),
                      (Event{kWarningEvent,
                             kEventsLimitedEvent,
                             {std::to_wstring(kMostFolderEvents), scratch.log, UserName()}}));
        } else {
            EXPECT_TRUE(events.empty());
        }
        if (row.eventLogMissing) {
            // One line, however many events could not be written.
            const std::wstring failed = Utf16("イベントログ書き込み失敗：エラー番号 126：");
            const std::vector<std::wstring> log = scratch.LogMessages();
            const auto line = std::find_if(log.begin(), log.end(), [&](const std::wstring& text) {
                return text.rfind(failed, 0) == 0;
            });
            ASSERT_NE(line, log.end());
            EXPECT_GT(line->size(), failed.size() + 20) << "no description";
            const std::wstring id = Utf16(" (イベント ID 1003)");
            EXPECT_EQ(line->substr(line->size() - id.size()), id);
            logLines.push_back(*line);
        }
        if (row.setting.empty()) {
            EXPECT_EQ(scratch.IniBytes().find("EventLog"), std::string::npos)
                << "the setting was written into the profile";
        } else {
            // Read, and never loaded the event log.
            EXPECT_EQ(
                std::count(outcome.trace.dlls.begin(), outcome.trace.dlls.end(), L"advapi32.dll"),
                0);
        }
        ExpectCompleteLog(scratch, OpeningWithStore(scratch.store), logLines);
    }
}

// With EventLog=2 every run ends with one information event: what it found,
// the folder files it measured, the largest, the folders warned about and
// exempted, its exit status and the version; after the run's other events,
// also when it finds no identity or fails (after the failure's event). The
// end line stays the log's last, after the line saying that the summary
// could not be written.
TEST(EventLog, ASummaryEndsEveryRunWhenAskedFor) {
    for (const std::string row : {"store", "no_identity", "failed", "no_event_log"}) {
        SCOPED_TRACE(row);
        Scratch scratch(L"e2e_summary_" + Utf16(row));
        scratch.WriteIni("[Tarnwick]\r\nEventLog=2\r\n[No Check]\r\nInbox=" + Cp932(scratch.store) +
                         "\r\n");
        // Identity, store, files, largest folder, its size, warned, exempted, status.
        std::vector<std::wstring> summary = {L"-", L"-", L"0", L"-", L"0", L"0", L"0", L"0"};
        std::vector<Event> before;  // the run's other events, sorted
        if (row == "store") {
            const std::wstring inbox = Utf16("受信トレイ");
            MakeFile(scratch.store + L"Folders.dbx", 1024);
            MakeFile(scratch.store + L"Inbox.dbx", 1073741824);     // 1048576 KB, exempted
            MakeFile(scratch.store + inbox + L".dbx", 1073742848);  // 1048577 KB, warned
            SetIdentity(kIdentity, scratch.store);
            summary = {kIdentity, scratch.store, L"3", inbox, L"1048577", L"1", L"1", L"0"};
            before = {
                FolderEvent(kWarningEvent, kSkippedLargeEvent, L"Inbox", scratch.store, 1048576),
                FolderEvent(kWarningEvent, kWarnedEvent, inbox, scratch.store, 1048577)};
        } else if (row == "no_identity" || row == "no_event_log") {
            SetDefaultIdentityRaw(L"");
        } else {
            SetIdentity(kIdentity, scratch.dir + L"missing");
            summary = {kIdentity, scratch.dir + L"missing\\", L"0", L"-", L"0", L"0", L"0", L"1"};
        }
        summary.push_back(Utf16(TARNWICK_VERSION_TEXT));
        summary.push_back(UserName());

        RunOptions options;
        options.watchEvents = true;
        const Outcome outcome = [&] {
            std::optional<NoAdvapi32> missing;
            if (row == "no_event_log") missing.emplace();
            return RunToEnd(scratch, options);
        }();
        EXPECT_EQ(outcome.exitCode, row == "failed" ? 1u : 0u);
        std::vector<Event> events = outcome.trace.events;
        if (row == "no_event_log") {
            EXPECT_TRUE(events.empty());
            const std::vector<std::wstring> log = scratch.LogMessages();
            ASSERT_GE(log.size(), 2u);
            EXPECT_EQ(log.back(), EndLine());
            const std::wstring& failed = log[log.size() - 2];
            EXPECT_EQ(failed.rfind(L"イベントログ書き込み失敗：エラー番号 126：", 0), 0u);
            EXPECT_NE(failed.find(L" (イベント ID 1000)"), std::wstring::npos) << Cp932(failed);
            continue;
        }
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back(), (Event{kInformationEvent, kRunSummaryEvent, summary}));
        events.pop_back();
        if (row == "failed") {
            ASSERT_EQ(events.size(), 1u);
            EXPECT_EQ(events[0].id, kRunFailedEvent);
            continue;
        }
        std::sort(events.begin(), events.end(),
                  [](const Event& a, const Event& b) { return a.strings < b.strings; });
        EXPECT_EQ(events, before);
        EXPECT_EQ(scratch.LogMessages().back(), EndLine());
    }
}
