// make bench: times one check of stores of 20, 1,000 and 10,000 folder files
// against starting a do-nothing exe built the same way, and sets the cost of
// each further folder file against one line written by the program's own
// WriteLog (open, append, close). Runs inside Wine, in the bench's own prefix,
// whose default identity it points at each store in turn.
//
// Usage: tarnwick_bench.exe [runs [EXE...]]   (runs: default 11, after a
// warm-up round). Each further EXE, a build of the program made another way,
// is timed on the 20-file store beside the build's own, round by round, so
// that a start-up trick can be weighed against a build without it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/log_lines.h"
#include "common/process.h"
#include "common/readers.h"
#include "common/registry.h"
#include "common/text.h"
#include "platform/failure.h"
#include "support/run_log.h"

namespace {

constexpr double kStartBound = 1.3;    // 20-file check / do-nothing exe
constexpr double kPerFileBound = 1.5;  // per folder file / one log line
constexpr int kStoreSizes[] = {20, 1000, 10000};
constexpr int kLogLines = 10000;
const wchar_t kIdentity[] = L"{6C1B5E2A-7D4F-4E8B-9A3C-B3E9C0D1F2A7}";

using common::Utf8;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "bench: %s (error %lu)\n", what.c_str(), GetLastError());
    std::exit(2);
}

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// A folder file's name and the size it is given, in bytes: spread over the
// range below the default warning size of 1 GB, never written, so sparse.
std::wstring FolderFileName(int i) {
    wchar_t name[32];
    swprintf(name, 32, L"フォルダ%05d.dbx", i);
    return name;
}
LONGLONG FolderFileBytes(int i) {
    return (static_cast<LONGLONG>(i) * 7919 % 1000) * 1024 * 1024 + i;
}

// The folder files, and beside them files that the check lists but skips.
void MakeStore(const std::wstring& store, int folderFiles) {
    common::RemoveTree(store);
    if (!CreateDirectoryW(store.c_str(), nullptr)) Fail("cannot create " + Utf8(store));
    for (int i = 0; i < folderFiles; ++i) {
        common::MakeFile(store + FolderFileName(i), static_cast<std::uint64_t>(FolderFileBytes(i)));
    }
    for (const wchar_t* other :
         {L"Cleanup.log", L"desktop.ini", L"メモ.txt", L"Backup.DBX", L"old.dbk"}) {
        common::MakeFile(store + other, 4096);
    }
}

// Wall time from the start of the process to its end, as seen by its parent.
double RunSeconds(const std::wstring& exe) {
    common::RunOptions options;
    options.timeoutMs = 120000;
    const double start = Now();
    common::Run run(exe, options);
    const std::optional<DWORD> exitCode = run.Wait();
    const double seconds = Now() - start;
    if (!exitCode) Fail(Utf8(exe) + " did not end within 120 s");
    if (*exitCode != 0) Fail(Utf8(exe) + " exited with " + std::to_string(*exitCode));
    return seconds;
}

// The check must have logged every folder file and ended normally: start,
// five settings, identity, store, one line per file, end.
void ExpectCompleteLog(const std::wstring& log, int folderFiles) {
    const std::vector<std::wstring> lines = common::LogMessages(common::ReadBytes(log));
    if (lines.size() != static_cast<size_t>(folderFiles) + 9 || lines.back() != common::EndLine()) {
        Fail("the check of " + std::to_string(folderFiles) + " folder files logged " +
             std::to_string(lines.size()) + " lines or did not end normally");
    }
}

// Seconds per line, written the way the check writes its per-file lines.
double LogLineSeconds(const std::wstring& path) {
    WriteLog(path, L"Tarnwick 起動", kLogNew);
    const double start = Now();
    for (int i = 0; i < kLogLines; ++i) {
        WriteLog(path,
                 FolderFileName(i) + L"  サイズ：" +
                     std::to_wstring((FolderFileBytes(i) + 1023) / 1024) + L", 警告サイズ以下",
                 kLogAppend);
    }
    return (Now() - start) / kLogLines;
}

// Each exe runs from a folder of its own, so that each check rewrites a log of
// its own store's size, as it does at every logon, and not the last one of
// another store.
std::wstring Install(const std::wstring& from, const std::wstring& folder, const wchar_t* name) {
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring exe = folder + name;
    if (!CopyFileW(from.c_str(), exe.c_str(), FALSE)) Fail("cannot copy into " + Utf8(folder));
    DeleteFileW((folder + L"Tarnwick.ini").c_str());  // the warm-up run writes the defaults
    DeleteFileW((folder + L"Tarnwick.log").c_str());
    return exe;
}

}  // namespace

namespace common {
void ReportFailure(const std::string& what) {
    Fail(what);
}
}  // namespace common

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 11;
    const std::wstring build = common::BuildFolder();
    const std::wstring dir = build + L"bench\\";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring empty =
        Install(build + L"empty_gui.exe", dir + L"empty\\", L"empty_gui.exe");
    std::vector<std::wstring> checks, stores;
    for (int files : kStoreSizes) {
        const std::wstring folder = dir + L"check" + std::to_wstring(files) + L"\\";
        checks.push_back(Install(build + L"Tarnwick.exe", folder, L"Tarnwick.exe"));
        stores.push_back(folder + L"store\\");
        MakeStore(stores.back(), files);
    }
    std::vector<std::wstring> others, otherNames;
    for (int i = 2; i < argc; ++i) {
        const std::wstring from = argv[i];
        const std::wstring folder = dir + L"other" + std::to_wstring(i - 1) + L"\\";
        others.push_back(Install(from, folder, L"Tarnwick.exe"));
        otherNames.push_back(from.substr(from.find_last_of(L"\\/") + 1));
    }
    std::vector<std::vector<double>> otherTimes(others.size());

    // Two phases, each starting with a warm-up round that is not kept. First
    // the do-nothing exe and the 20-file check, back to back, so that the
    // ratio of the two compares starts made under the same conditions; then
    // the large stores and the log lines, whose disk writes would otherwise
    // still be draining while the short runs are timed.
    std::vector<double> emptyTimes, logLineTimes;
    std::vector<std::vector<double>> checkTimes(checks.size());
    auto timeCheck = [&](size_t c, bool keep) {
        common::SetIdentity(kIdentity, stores[c]);
        const double seconds = RunSeconds(checks[c]);
        ExpectCompleteLog(checks[c].substr(0, checks[c].size() - 4) + L".log", kStoreSizes[c]);
        if (keep) checkTimes[c].push_back(seconds);
    };
    try {
        // The exes take turns at going first, so that none is always timed
        // just after the same neighbour.
        const size_t turns = 2 + others.size();
        common::SetIdentity(kIdentity, stores[0]);
        for (int round = 0; round <= runs; ++round) {
            for (size_t turn = 0; turn < turns; ++turn) {
                const size_t which = (turn + static_cast<size_t>(round)) % turns;
                if (which == 0) {
                    const double seconds = RunSeconds(empty);
                    if (round > 0) emptyTimes.push_back(seconds);
                } else if (which == 1) {
                    timeCheck(0, round > 0);
                } else {
                    const size_t o = which - 2;
                    const double other = RunSeconds(others[o]);
                    ExpectCompleteLog(others[o].substr(0, others[o].size() - 4) + L".log",
                                      kStoreSizes[0]);
                    if (round > 0) otherTimes[o].push_back(other);
                }
            }
        }
        for (int round = 0; round <= runs; ++round) {
            for (size_t c = 1; c < checks.size(); ++c) timeCheck(c, round > 0);
            const double line = LogLineSeconds(dir + L"loglines.log");
            if (round > 0) logLineTimes.push_back(line);
        }
    } catch (const platform::RunFailure& failure) {
        Fail("WriteLog failed: " + Utf8(failure.context));
    }

    // Terabytes on paper, if not on disk: nothing else should trip over them.
    for (const std::wstring& store : stores) common::RemoveTree(store);

    const double emptyMs = Median(emptyTimes) * 1e3;
    std::vector<double> checkMs;
    for (const auto& times : checkTimes) checkMs.push_back(Median(times) * 1e3);
    const double lineUs = Median(logLineTimes) * 1e6;
    const double perFileUs = (checkMs[2] - checkMs[0]) * 1e3 / (kStoreSizes[2] - kStoreSizes[0]);
    const double startRatio = checkMs[0] / emptyMs;
    const double perFileRatio = perFileUs / lineUs;

    std::printf(
        "Median (and range) of %d runs after a warm-up round; process wall time\n"
        "from CreateProcess to exit, taken inside Wine with QueryPerformanceCounter.\n\n",
        runs);
    auto row = [](const char* what, const std::vector<double>& seconds, double scale,
                  const char* unit) {
        const auto [low, high] = std::minmax_element(seconds.begin(), seconds.end());
        std::printf("  %-38s %8.1f %s  (%.1f to %.1f)\n", what, Median(seconds) * scale, unit,
                    *low * scale, *high * scale);
    };
    row("do-nothing GUI exe", emptyTimes, 1e3, "ms");
    for (size_t c = 0; c < checks.size(); ++c) {
        const std::string what = "check, " + std::to_string(kStoreSizes[c]) + " folder files";
        row(what.c_str(), checkTimes[c], 1e3, "ms");
    }
    for (size_t o = 0; o < others.size(); ++o) {
        const std::string what = "check, 20 folder files, " + Utf8(otherNames[o]);
        row(what.c_str(), otherTimes[o], 1e3, "ms");
    }
    row("one log line (WriteLog, 10000 a run)", logLineTimes, 1e6, "us");
    std::printf("  %-38s %8.1f us\n\n", "per folder file, (10000 - 20) / 9980", perFileUs);
    const bool startOk = startRatio <= kStartBound, perFileOk = perFileRatio <= kPerFileBound;
    std::printf("  %-38s %8.2f     (at most %.1f)  %s\n", "20-file check / do-nothing exe",
                startRatio, kStartBound, startOk ? "within bound" : "OUT OF BOUND");
    std::printf("  %-38s %8.2f     (at most %.1f)  %s\n", "per folder file / log line",
                perFileRatio, kPerFileBound, perFileOk ? "within bound" : "OUT OF BOUND");
    // Saved by the build's own exe against each other build, by the medians
    // and by the fastest runs: on a busy host the times of one exe often
    // fall in two groups far apart, and the median then shows which group
    // held the middle run more than the exe's own cost.
    const double fastestCheck = *std::min_element(checkTimes[0].begin(), checkTimes[0].end());
    for (size_t o = 0; o < others.size(); ++o) {
        const double otherMs = Median(otherTimes[o]) * 1e3;
        const double fastestOther = *std::min_element(otherTimes[o].begin(), otherTimes[o].end());
        std::printf("  %-38s %+7.1f %% by medians, %+.1f %% by fastest runs (against %s)\n",
                    "20-file check, saved", (otherMs - checkMs[0]) / otherMs * 100,
                    (fastestOther - fastestCheck) / fastestOther * 100,
                    Utf8(otherNames[o]).c_str());
    }
    return startOk && perFileOk ? 0 : 1;
}
