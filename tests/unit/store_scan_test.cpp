// The store scan over a scratch store of sparse folder files.
#include "check_run/store_scan.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "check_run/run_state.h"
#include "common/files.h"
#include "common/log_lines.h"
#include "common/text.h"
#include "platform/failure.h"
#include "unit/fresh_run_state.h"

using namespace common;

TEST(KilobytesRoundedUp, RoundsUpWithoutOverflow) {
    const std::pair<std::uint64_t, std::int64_t> rows[] = {
        {0, 0},
        {1, 1},
        {1024, 1},
        {1025, 2},
        {2147482624ull, 2097151},
        {2147482625ull, 2097152},
        {2147483648ull, 2097152},
        {3221225472ull, 3145728},
        {4294967296ull + 1, 4194305},  // past 32 bits
    };
    for (const auto& [bytes, kilobytes] : rows) {
        EXPECT_EQ(KilobytesRoundedUp(bytes), kilobytes) << bytes << " bytes";
    }
}

namespace {

// A folder file that is wrongly warned about would open a modal window and
// stop the test: this closes any window of this process and remembers it.
class WindowWatch {
  public:
    WindowWatch() : thread_([this] { Watch(); }) {}
    ~WindowWatch() {
        stop_ = true;
        thread_.join();
    }
    bool sawWindow() const { return seen_; }

  private:
    static BOOL CALLBACK CloseOwn(HWND window, LPARAM seen) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(window)) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            *reinterpret_cast<std::atomic<bool>*>(seen) = true;
        }
        return TRUE;
    }
    void Watch() {
        while (!stop_) {
            EnumWindows(CloseOwn, reinterpret_cast<LPARAM>(&seen_));
            Sleep(50);
        }
    }
    std::atomic<bool> stop_{false};
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

class ScanStoreTest : public testing::Test {
  protected:
    void SetUp() override {
        FreshRunState(scratch);
        RunState.LimitSize = 2097152;
        RunState.WarningSize = 1048576;
        RunState.StoreRoot = scratch.store;
    }
    ScratchFolder scratch{L"unit_scan"};
};

}  // namespace

TEST_F(ScanStoreTest, LogsEveryFolderFileWithItsSizeAndVerdict) {
    const std::uint64_t kGiB = 1073741824;
    struct File {
        const wchar_t* name;
        std::uint64_t length;
        const wchar_t* exemptAs;  // key of its entry for this store, if any
        const wchar_t* line;      // nullptr: not examined
    };
    // Every file at or above the warning size is exempted, so no window is due.
    const File files[] = {
        {L"zero.dbx", 0, nullptr, L"zero.dbx  サイズ：0, 警告サイズ以下"},
        {L"one.dbx", 1, nullptr, L"one.dbx  サイズ：1, 警告サイズ以下"},
        {L"kilo.dbx", 1024, nullptr, L"kilo.dbx  サイズ：1, 警告サイズ以下"},
        {L"kiloplus.dbx", 1025, nullptr, L"kiloplus.dbx  サイズ：2, 警告サイズ以下"},
        {L"below.dbx", kGiB - 1024, nullptr, L"below.dbx  サイズ：1048575, 警告サイズ以下"},
        {L"at.dbx", kGiB, L"at", L"at.dbx  サイズ：1048576, チェック省略対象"},
        {L"listed.dbx", 1, L"listed", L"listed.dbx  サイズ：1, 警告サイズ以下"},
        {L"two.dbx", 2 * kGiB, L"two", L"two.dbx  サイズ：2097152, チェック省略対象"},
        {L"three.dbx", 3 * kGiB, L"three", L"three.dbx  サイズ：3145728, チェック省略対象"},
        {L"a.dbx.bak", kGiB, L"a.dbx", L"a.dbx.bak  サイズ：1048576, チェック省略対象"},
        // A copy is exempted under its whole name, never as the folder "copy".
        {L"copy.dbx_old", kGiB, L"copy.dbx_old",
         L"copy.dbx_old  サイズ：1048576, チェック省略対象"},
        {L"受信トレイ.dbx", 1025, nullptr, L"受信トレイ.dbx  サイズ：2, 警告サイズ以下"},
        {L"CAPS.DBX", 3 * kGiB, nullptr, nullptr},
        {L"notes.txt", 3 * kGiB, nullptr, nullptr},
        {L"dbx", 3 * kGiB, nullptr, nullptr},
    };
    std::wstring profile = L"[No Check]\r\n";
    std::vector<std::wstring> expected;
    for (const File& file : files) {
        MakeFile(scratch.store + file.name, file.length);
        if (file.exemptAs) profile += file.exemptAs + (L"=" + RunState.StoreRoot) + L"\r\n";
        if (file.line) expected.push_back(file.line);
    }
    ASSERT_TRUE(CreateDirectoryW((scratch.store + L"x.dbx").c_str(), nullptr));
    scratch.WriteIni(Cp932(profile));

    WindowWatch watch;
    ScanStore();
    EXPECT_FALSE(watch.sawWindow()) << "a warning window opened";
    EXPECT_EQ(Sorted(scratch.LogMessages()), Sorted(expected));
}

TEST_F(ScanStoreTest, AnEmptyStoreLogsNothingAndAMissingOneEndsTheRun) {
    ScanStore();
    EXPECT_EQ(scratch.LogBytes(), "");
    RunState.StoreRoot = scratch.store + L"gone\\";
    EXPECT_THROW(ScanStore(), platform::RunFailure);
    EXPECT_EQ(scratch.LogBytes(), "");
}
