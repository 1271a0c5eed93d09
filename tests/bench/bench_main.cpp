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

#include "platform/failure.h"
#include "platform/text.h"
#include "support/run_log.h"

namespace {

constexpr double kStartBound = 1.3;    // 20-file check / do-nothing exe
constexpr double kPerFileBound = 1.5;  // per folder file / one log line
constexpr int kStoreSizes[] = {20, 1000, 10000};
constexpr int kLogLines = 10000;
const wchar_t kIdentity[] = L"{6C1B5E2A-7D4F-4E8B-9A3C-B3E9C0D1F2A7}";

std::wstring BuildFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "bench: %s (error %lu)\n", what.c_str(), GetLastError());
    std::exit(2);
}

std::string Narrow(const std::wstring& text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), length, nullptr, nullptr);
    result.pop_back();
    return result;
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

void RemoveFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileW((folder + found.cFileName).c_str());
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
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

void MakeFile(const std::wstring& path, LONGLONG length) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("cannot create " + Narrow(path));
    LARGE_INTEGER end;
    end.QuadPart = length;
    if (!SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) {
        Fail("cannot size " + Narrow(path));
    }
    CloseHandle(file);
}

// The folder files, and beside them files that the check lists but skips.
void MakeStore(const std::wstring& store, int folderFiles) {
    RemoveFolder(store);
    if (!CreateDirectoryW(store.c_str(), nullptr)) Fail("cannot create " + Narrow(store));
    for (int i = 0; i < folderFiles; ++i) MakeFile(store + FolderFileName(i), FolderFileBytes(i));
    for (const wchar_t* other :
         {L"Cleanup.log", L"desktop.ini", L"メモ.txt", L"Backup.DBX", L"old.dbk"}) {
        MakeFile(store + other, 4096);
    }
}

void SetStoreRoot(const std::wstring& store) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Identities", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        Fail("cannot create HKCU\\Identities");
    }
    RegSetValueExW(key, L"Default User ID", 0, REG_SZ, reinterpret_cast<const BYTE*>(kIdentity),
                   sizeof kIdentity);
    RegCloseKey(key);
    const std::wstring path =
        std::wstring(L"Identities\\") + kIdentity + L"\\Software\\Microsoft\\Outlook Express\\5.0";
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        Fail("cannot create the identity's key");
    }
    RegSetValueExW(key, L"Store Root", 0, REG_SZ, reinterpret_cast<const BYTE*>(store.c_str()),
                   static_cast<DWORD>((store.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// Wall time from the start of the process to its end, as seen by its parent.
double RunSeconds(const std::wstring& exe) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const double start = Now();
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process)) {
        Fail("cannot start " + Narrow(exe));
    }
    const DWORD waited = WaitForSingleObject(process.hProcess, 120000);
    const double seconds = Now() - start;
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (waited != WAIT_OBJECT_0) Fail(Narrow(exe) + " did not end within 120 s");
    if (exitCode != 0) Fail(Narrow(exe) + " exited with " + std::to_string(exitCode));
    return seconds;
}

// The check must have logged every folder file and ended normally: start,
// five settings, identity, store, one line per file, end.
void ExpectCompleteLog(const std::wstring& log, int folderFiles) {
    HANDLE file =
        CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("no log " + Narrow(log));
    std::string bytes(static_cast<size_t>(GetFileSize(file, nullptr)), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    size_t lines = 0;
    for (size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", at + 2)) {
        ++lines;
    }
    const std::string end = platform::ToAnsi(L"Tarnwick 終了") + "\r\n";
    if (lines != static_cast<size_t>(folderFiles) + 9 || bytes.size() < end.size() ||
        bytes.compare(bytes.size() - end.size(), end.size(), end) != 0) {
        Fail("the check of " + std::to_string(folderFiles) + " folder files logged " +
             std::to_string(lines) + " lines or did not end normally");
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
    if (!CopyFileW(from.c_str(), exe.c_str(), FALSE)) Fail("cannot copy into " + Narrow(folder));
    DeleteFileW((folder + L"Tarnwick.ini").c_str());  // the warm-up run writes the defaults
    DeleteFileW((folder + L"Tarnwick.log").c_str());
    return exe;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 11;
    const std::wstring build = BuildFolder();
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
        SetStoreRoot(stores[c]);
        const double seconds = RunSeconds(checks[c]);
        ExpectCompleteLog(checks[c].substr(0, checks[c].size() - 4) + L".log", kStoreSizes[c]);
        if (keep) checkTimes[c].push_back(seconds);
    };
    try {
        for (int round = 0; round <= runs; ++round) {
            const double seconds = RunSeconds(empty);
            if (round > 0) emptyTimes.push_back(seconds);
            timeCheck(0, round > 0);
            for (size_t o = 0; o < others.size(); ++o) {
                const double other = RunSeconds(others[o]);
                ExpectCompleteLog(others[o].substr(0, others[o].size() - 4) + L".log",
                                  kStoreSizes[0]);
                if (round > 0) otherTimes[o].push_back(other);
            }
        }
        for (int round = 0; round <= runs; ++round) {
            for (size_t c = 1; c < checks.size(); ++c) timeCheck(c, round > 0);
            const double line = LogLineSeconds(dir + L"loglines.log");
            if (round > 0) logLineTimes.push_back(line);
        }
    } catch (const platform::RunFailure& failure) {
        Fail("WriteLog failed: " + Narrow(failure.context));
    }

    // Terabytes on paper, if not on disk: nothing else should trip over them.
    for (const std::wstring& store : stores) RemoveFolder(store);

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
        const std::string what = "check, 20 folder files, " + Narrow(otherNames[o]);
        row(what.c_str(), otherTimes[o], 1e3, "ms");
    }
    row("one log line (WriteLog, 10000 a run)", logLineTimes, 1e6, "us");
    std::printf("  %-38s %8.1f us\n\n", "per folder file, (10000 - 20) / 9980", perFileUs);
    const bool startOk = startRatio <= kStartBound, perFileOk = perFileRatio <= kPerFileBound;
    std::printf("  %-38s %8.2f     (at most %.1f)  %s\n", "20-file check / do-nothing exe",
                startRatio, kStartBound, startOk ? "within bound" : "OUT OF BOUND");
    std::printf("  %-38s %8.2f     (at most %.1f)  %s\n", "per folder file / log line",
                perFileRatio, kPerFileBound, perFileOk ? "within bound" : "OUT OF BOUND");
    for (size_t o = 0; o < others.size(); ++o) {
        const double otherMs = Median(otherTimes[o]) * 1e3;
        std::printf("  %-38s %+7.1f %%    (the build's own against %s)\n", "20-file check, saved",
                    (otherMs - checkMs[0]) / otherMs * 100, Narrow(otherNames[o]).c_str());
    }
    return startOk && perFileOk ? 0 : 1;
}
