#include "check_run/event_report.h"

#include <cstdint>
#include <cwchar>
#include <optional>
#include <vector>

#include "check_run/profile_write.h"
#include "check_run/run_state.h"
#include "check_run/settings_load.h"
#include "platform/event_log.h"
#include "platform/text.h"
#include "support/profile_file.h"
#include "support/run_log.h"
#include "tarnwick_events.h"
#include "version.h"

using platform::EventType;

namespace {

// The values of the EventLog setting that mean something: anything else
// (missing, text, 1) leaves the events on without the summary.
constexpr std::int32_t kEventsOff = 0, kEventsWithSummary = 2;

struct ReportState {
    std::optional<std::int32_t> setting;  // read from the profile on first need
    bool failed = false;                  // a write failed: no more events this run
    bool summarized = false;
    int folderEvents = 0;
};
ReportState Reports;

std::int32_t EventSetting() {
    if (!Reports.setting) {
        // Before the profile path is known (a failure at the very start)
        // there is no setting to read, and nothing is taken from a profile
        // saved as UTF-8, which Windows would misread. A setting that cannot
        // be read (memory, say, for a huge profile) leaves its default: a
        // failed run's event is never lost to it.
        std::wstring text;
        try {
            if (!RunState.IniPath.empty() && !IsMisreadUtf8(RunState.IniPath)) {
                text = ReadIniString(RunState.IniPath, kMainSection, kEventLogKey);
            }
        } catch (...) {
            text.clear();
        }
        bool tooLarge = false;
        Reports.setting = ParseWholeNumber(text, &tooLarge).value_or(1);
    }
    return *Reports.setting;
}

bool EventsEnabled() {
    return EventSetting() != kEventsOff;
}

// Writes the event; on a failure, logs it and stops. Nothing leaves it: the
// run goes on (or ends) exactly as it would without events.
void Write(EventType type, unsigned long id, std::vector<std::wstring> strings) {
    try {
        if (Reports.failed || !EventsEnabled()) return;
        strings.push_back(platform::EventUserName());
        const unsigned long error = platform::WriteEvent(type, id, strings);
        if (error == 0) return;
        Reports.failed = true;
        if (RunState.LogPath.empty()) return;
        WriteLog(RunState.LogPath,
                 L"イベントログ書き込み失敗：" +
                     platform::FailureMessageText({error, platform::SystemErrorText(error), L""}) +
                     L" (イベント ID " + platform::DecimalText(id) + L")",
                 kLogAppend);
    } catch (...) {
        // Out of memory, or a log that can no longer be written: the run's
        // own next step meets the same and reports it.
        Reports.failed = true;
    }
}

// Folder events are counted: past the most a run writes, one event says so.
void WriteFolderEvent(EventType type, unsigned long id, std::vector<std::wstring> strings) {
    if (Reports.folderEvents > kMostFolderEvents) return;
    if (Reports.folderEvents++ == kMostFolderEvents) {
        Write(EventType::Warning, EVENT_FOLDER_EVENTS_LIMITED,
              {platform::DecimalText(kMostFolderEvents), RunState.LogPath});
        return;
    }
    Write(type, id, std::move(strings));
}

// Folder, store, size, warning size, limit and room left, in kilobytes.
std::vector<std::wstring> FolderStrings() {
    const std::int64_t size = std::wcstoll(RunState.SizeKbText.c_str(), nullptr, 10);
    return {RunState.FolderName,
            RunState.StoreRoot,
            RunState.SizeKbText,
            platform::DecimalText(RunState.WarningSize),
            platform::DecimalText(RunState.LimitSize),
            platform::DecimalText(static_cast<std::int64_t>(RunState.LimitSize) - size)};
}

}  // namespace

void ReportWarnedFolder() {
    try {
        WriteFolderEvent(
            EventType::Warning,
            RunState.NoCheckChosen ? EVENT_FOLDER_WARNED_AND_SKIPPED : EVENT_FOLDER_WARNED,
            FolderStrings());
    } catch (...) {
    }
}

void ReportExemptedFolder() {
    try {
        const bool atLimit =
            std::wcstoll(RunState.SizeKbText.c_str(), nullptr, 10) >= RunState.LimitSize;
        WriteFolderEvent(atLimit ? EventType::Error : EventType::Warning,
                         atLimit ? EVENT_SKIPPED_FOLDER_AT_LIMIT : EVENT_SKIPPED_FOLDER_LARGE,
                         FolderStrings());
    } catch (...) {
    }
}

void ReportExemptionNotStored(const std::wstring& folderName, const std::wstring& storeRoot,
                              unsigned long error) {
    try {
        WriteFolderEvent(EventType::Error, EVENT_SKIP_NOT_RECORDED,
                         {folderName, storeRoot, platform::DecimalText(error),
                          ProfileWriteErrorText(error), RunState.IniPath});
    } catch (...) {
    }
}

void ReportFailedRun(const platform::RunFailure& failure) {
    try {
        Write(EventType::Error, EVENT_RUN_FAILED,
              {platform::DecimalText(failure.number), failure.description, failure.context});
    } catch (...) {
    }
}

void ReportRunSummary(int status) {
    try {
        if (Reports.summarized || EventSetting() != kEventsWithSummary) return;
        Reports.summarized = true;
        // "-" for what was not found, so that every string says something.
        auto orDash = [](const std::wstring& text) { return text.empty() ? L"-" : text; };
        Write(EventType::Information, EVENT_RUN_SUMMARY,
              {orDash(RunState.Identity), orDash(RunState.StoreRoot),
               platform::DecimalText(RunState.FilesChecked), orDash(RunState.LargestFolder),
               platform::DecimalText(RunState.LargestKb < 0 ? 0 : RunState.LargestKb),
               platform::DecimalText(RunState.FoldersWarned),
               platform::DecimalText(RunState.FoldersExempted), platform::DecimalText(status),
               L"" TARNWICK_VERSION_TEXT});
    } catch (...) {
    }
}
