// Events for the administrator in the Application event log: the folders a
// user was warned about, the exempted ones that the user no longer sees, the
// exemptions the profile did not take, and failed runs. A run with nothing
// at or above the warning size and no failure writes none.
//
// None of these throws or changes the run: a failure to write an event is
// logged once ("イベントログ書き込み失敗：...") and no further event is tried
// in that run. "EventLog=0" in the main profile section turns events off, and
// "EventLog=2" adds a summary at the end of every run; the key is read once,
// when there is an event to write or the run ends, and never written.
#pragma once

#include <string>

#include "platform/failure.h"

// At most this many folder events (warned, exempted, exemption not recorded)
// in one run; the next one is replaced by one event saying so, and the rest
// are left to the log.
inline constexpr int kMostFolderEvents = 20;

// The profile key that turns events off with 0.
inline constexpr wchar_t kEventLogKey[] = L"EventLog";

// The folder of RunState after its warning window has closed, with whether
// the user closed it with the box ticked (RunState.NoCheckChosen): called
// for a ticked box only once its exemption is stored.
void ReportWarnedFolder();

// The folder of RunState: at or above the warning size, and exempted.
void ReportExemptedFolder();

// The user ticked the box for this folder and store, and the profile did
// not take it: error is the Windows error code of the failed write.
void ReportExemptionNotStored(const std::wstring& folderName, const std::wstring& storeRoot,
                              unsigned long error);

// A run that ends with the error message; written before the message is
// shown, which may wait long for the user.
void ReportFailedRun(const platform::RunFailure& failure);

// With "EventLog=2": the summary of a run that has ended with `status` (an
// ExitStatus), from RunState: the identity and store found, the folder files
// measured, the largest of them, the folders warned about and exempted, the
// status and the program's version. At most one a run.
void ReportRunSummary(int status);
