// The warning window seen from outside, as a user meets it: what it shows and
// where, how the keyboard and its buttons act, what it leaves in the profile
// and the log, and what it looks like at 96 and 144 DPI.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/stand_in.h"
#include "common/window_driver.h"
#include "harness.h"
#include "warning_window/layout.h"  // control ids only

using namespace e2e;

namespace {

constexpr std::uint64_t kKb = 1024;
const wchar_t kIdentity[] = L"{6A2E2B5C-0D1F-4C1B-9E55-3C5D2A7F0B11}";

// The scan part of a log whose one folder file was warned about.
std::vector<std::wstring> OneWarned(const std::wstring& folder, std::int64_t kb) {
    return {FileLine(folder + L".dbx", kb, Verdict::Warned), EndLine()};
}

// A scratch folder with this profile and one folder file of `kb` in the
// default identity's store.
Scratch OneFolderCase(const std::wstring& name, const std::string& profile,
                      const std::wstring& folder = L"Inbox", std::uint64_t kb = 1048576) {
    Scratch scratch(name);
    scratch.WriteIni(profile);
    MakeFile(scratch.store + folder + L".dbx", kb * kKb);
    SetIdentity(kIdentity, scratch.store);
    return scratch;
}

bool Ticked(HWND window) {
    DWORD_PTR state = 0;
    SendMessageTimeoutW(GetDlgItem(window, chkNoCheck), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000,
                        &state);
    return state == BST_CHECKED;
}

int Focused(HWND window) {
    return GetDlgCtrlID(driver::FocusedControl(window));
}

struct Session {
    std::optional<DWORD> exitCode;
    std::vector<std::wstring> folders;  // the folder name each warning showed, in order
    WineTrace trace;                    // with RunOptions::watchEvents
};

// Runs Tarnwick to its end. Each warning window is handed to `act`, which
// must close it; an error message is a failure, answered so the run can end.
Session Drive(const Scratch& scratch, const std::function<void(HWND, size_t)>& act,
              const RunOptions& options = {}) {
    Session session;
    Run run(scratch.exe, options);
    const Outcome outcome = Finish(run, [&](HWND warning) {
        EXPECT_EQ(
            driver::WindowsOf(GetProcessId(run.process()), driver::WindowKind::Warning).size(), 1u)
            << "more than one warning window at once";
        session.folders.push_back(driver::Control(warning, lblFolderName).text);
        act(warning, session.folders.size() - 1);
    });
    for (const auto& error : outcome.errors) ADD_FAILURE() << "error message: " << Cp932(error);
    session.exitCode = outcome.exitCode;
    session.trace = outcome.trace;
    return session;
}

// A run that warned about its one folder file once and changed no byte of
// the profile.
void ExpectOneWarningNothingRecorded(const Session& session, const Scratch& scratch,
                                     const std::string& profile,
                                     const std::wstring& folder = L"Inbox",
                                     std::int64_t kb = 1048576) {
    EXPECT_EQ(session.exitCode, 0u);
    EXPECT_EQ(session.folders.size(), 1u);
    EXPECT_EQ(scratch.IniBytes(), profile);
    EXPECT_EQ(ScanLines(scratch), OneWarned(folder, kb));
}

void PressClose(HWND window, size_t) {
    driver::ClickId(window, cmdClose);
}

// Where each control stands, in twips from the client area's top left.
struct Placement {
    int id;
    const char* name;
    int left, top, width, height;
};
const Placement kPlacements[] = {
    {lblWarningTitle, "lblWarningTitle", 225, 75, 6240, 390},
    {lblWarningMsg, "lblWarningMsg", 225, 600, 6240, 990},
    {Label3, "Label3", 225, 1800, 1065, 165},
    {lblFolderName, "lblFolderName", 1425, 1800, 5040, 165},
    {Label4, "Label4", 225, 2175, 990, 165},
    {lblFileName, "lblFileName", 1350, 2175, 4365, 690},
    {cmdFolderOpen, "cmdFolderOpen", 5850, 2175, 615, 315},
    {Label5, "Label5", 225, 3075, 1365, 165},
    {lblFileSize, "lblFileSize", 1725, 3075, 4665, 165},
    {chkNoCheck, "chkNoCheck", 225, 3450, 4740, 375},
    {cmdClose, "cmdClose", 5175, 3450, 1290, 405},
};

// Every length within half a pixel of its twips at this DPI. At 96 DPI, with
// 15 twips to the pixel and every figure a multiple of 15, that is exact.
void ExpectLayout(HWND window, int dpi) {
    auto expect = [dpi](const std::string& what, LONG pixels, int twips) {
        EXPECT_LE(std::abs(pixels * 1440 - twips * dpi), 720)
            << what << " is " << pixels << " px, expected " << twips * dpi / 1440.0;
    };
    const SIZE client = driver::ClientSize(window);
    expect("client width", client.cx, 6690);
    expect("client height", client.cy, 4050);
    for (const Placement& p : kPlacements) {
        const RECT r = driver::Control(window, p.id).rect;
        expect(std::string(p.name) + " left", r.left, p.left);
        expect(std::string(p.name) + " top", r.top, p.top);
        expect(std::string(p.name) + " width", r.right - r.left, p.width);
        expect(std::string(p.name) + " height", r.bottom - r.top, p.height);
    }
    // Centred on the screen, to the pixel.
    RECT frame = {};
    GetWindowRect(window, &frame);
    EXPECT_LE(std::abs(frame.left + frame.right - GetSystemMetrics(SM_CXSCREEN)), 1);
    EXPECT_LE(std::abs(frame.top + frame.bottom - GetSystemMetrics(SM_CYSCREEN)), 1);
}

std::wstring SystemExplorer() {
    wchar_t folder[MAX_PATH] = {};
    GetSystemWindowsDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\explorer.exe";
}
std::wstring ExplorerBackup() {
    return SystemExplorer() + L".tarnwick-test";
}

bool RestoreExplorer() {
    return MoveFileExW(ExplorerBackup().c_str(), SystemExplorer().c_str(),
                       MOVEFILE_REPLACE_EXISTING) != FALSE;
}
// A test stopped from outside leaves the stand-in in place of the system's
// explorer.exe: every test program first puts the system's back.
[[maybe_unused]] const bool kLeftoverRestored = RestoreExplorer();

// Puts the stand-in explorer.exe in place of the system's for as long as it
// lives, and another next to Tarnwick.exe (the run's current folder too),
// which must never be the one started. Each start is recorded as the path
// it was started from and its command line.
class StandInExplorer {
  public:
    explicit StandInExplorer(const Scratch& scratch)
        : record_(scratch.dir + L"explorer-starts.txt") {
        const std::wstring standIn = BuildFolder() + L"stand_in\\explorer.exe";
        EXPECT_TRUE(CopyFileW(SystemExplorer().c_str(), ExplorerBackup().c_str(), FALSE));
        EXPECT_TRUE(CopyFileW(standIn.c_str(), SystemExplorer().c_str(), FALSE));
        EXPECT_TRUE(CopyFileW(standIn.c_str(), (scratch.dir + L"explorer.exe").c_str(), FALSE));
    }
    ~StandInExplorer() {
        EXPECT_TRUE(RestoreExplorer()) << "the system's explorer.exe was not put back";
    }

    // A run that tells the stand-in, through Tarnwick, where to record.
    RunOptions Options() const {
        RunOptions options;
        options.environment = {{L"TARNWICK_EXPLORER_RECORD", record_}};
        return options;
    }
    std::vector<std::pair<std::wstring, std::wstring>> Starts() const {
        std::vector<std::pair<std::wstring, std::wstring>> starts;
        const std::string bytes = ReadBytes(record_);
        for (size_t at = 0; at < bytes.size();) {
            const size_t end = bytes.find("\r\n", at);
            if (end == std::string::npos) break;
            const std::wstring line = Utf16(bytes.substr(at, end - at));
            const size_t tab = line.find(L'\t');
            starts.emplace_back(line.substr(0, tab), line.substr(tab + 1));
            at = end + 2;
        }
        return starts;
    }
    bool WaitForStarts(size_t count) const {
        return WaitUntil([&] { return Starts().size() >= count; }, 10000);
    }

  private:
    std::wstring record_;
};

}  // namespace

TEST(WarningWindow, ShowsFolderStoreAndSizeWhereTheLayoutSaysWithFocusOnClose) {
    const std::string profile = ProfileBytes();
    // A folder name is the file name up to its last dot.
    const std::wstring folder = L"受信トレイ.2024";
    Scratch scratch = OneFolderCase(L"window_one", profile, folder, 1234567);
    // The common controls load uxtheme.dll by name for the window, and the
    // theme msimg32.dll; one beside the exe, where another user may have put
    // it, is never loaded.
    const PlantedDlls planted(scratch.dir, {L"uxtheme", L"msimg32"});

    Session session = Drive(scratch, [&](HWND window, size_t) {
        EXPECT_EQ(driver::WindowText(window), L"Tarnwick");
        // Above the user's work from the start: a logon check may show it
        // while the user is at work in another program.
        EXPECT_TRUE(driver::Topmost(window));
        const struct {
            int id;
            std::wstring text;
        } texts[] = {
            {lblWarningTitle, Utf16("容量警告")},
            {lblWarningMsg, Utf16("受信トレイが大きくなっています。古いメールを整理して下さい。")},
            {lblFolderName, folder},
            {lblFileName, scratch.store},
            {lblFileSize, Utf16("1,234,567 KB  ( 残り 862,585 KB )")},
            {Label3, Utf16("【フォルダ名】")},
            {Label4, Utf16("【保存場所】")},
            {Label5, Utf16("【ファイルサイズ】")},
            {cmdFolderOpen, Utf16("参照")},
            {cmdClose, Utf16("閉じる")},
            {chkNoCheck, Utf16("次回から この個人用フォルダのサイズチェックを行わない")},
        };
        for (const auto& expected : texts) {
            const driver::ControlInfo control = driver::Control(window, expected.id);
            EXPECT_EQ(control.text, expected.text) << "control " << expected.id;
            EXPECT_TRUE(control.visible) << "control " << expected.id;
        }
        ExpectLayout(window, 96);
        EXPECT_FALSE(Ticked(window));
        EXPECT_EQ(Focused(window), cmdClose);
        driver::ClickId(window, cmdClose);
    });
    ExpectOneWarningNothingRecorded(session, scratch, profile, folder, 1234567);
    EXPECT_EQ(planted.Loads(), L"");
}

TEST(WarningWindow, TabVisitsButtonsAndBoxEnterPressesOnlyAFocusedButtonEscDoesNothing) {
    const std::string profile = ProfileBytes();
    Scratch scratch = OneFolderCase(L"window_keys", profile);
    StandInExplorer explorer(scratch);

    Session session = Drive(
        scratch,
        [&](HWND window, size_t) {
            auto press = [&](WPARAM key, int focusAfter) {
                driver::PressKey(window, key);
                EXPECT_TRUE(WaitUntil([&] { return Focused(window) == focusAfter; }))
                    << "after key " << key << " focus is on " << Focused(window) << ", expected "
                    << focusAfter;
            };
            ASSERT_EQ(Focused(window), cmdClose);
            press(VK_ESCAPE, cmdClose);
            press(VK_TAB, cmdFolderOpen);
            press(VK_TAB, chkNoCheck);
            press(VK_RETURN, chkNoCheck);  // on the box: neither ticks it nor presses a button
            EXPECT_FALSE(Ticked(window));
            press(VK_TAB, cmdClose);
            press(VK_TAB, cmdFolderOpen);
            press(VK_RETURN, cmdFolderOpen);
            EXPECT_TRUE(explorer.WaitForStarts(1)) << "Enter on 参照 started nothing";
            EXPECT_TRUE(IsWindowVisible(window)) << "a key closed the window";
            press(VK_TAB, chkNoCheck);
            press(VK_TAB, cmdClose);
            driver::PressKey(window, VK_RETURN);
        },
        explorer.Options());
    ExpectOneWarningNothingRecorded(session, scratch, profile);
    EXPECT_EQ(explorer.Starts().size(), 1u) << "Enter or Esc away from 参照 started explorer";
}

TEST(WarningWindow, TickingTheFirstOfTwoExemptsThatFolderForThisStoreOnly) {
    Scratch scratch(L"window_two");
    // No profile: the first run writes the defaults, title "WARNING!".
    const std::map<std::wstring, std::int64_t> sizes = {{L"受信トレイ", 1234567},
                                                        {L"送信済みアイテム", 1048576}};
    const std::wstring moved = scratch.dir + L"moved\\";
    CreateDirectoryW(moved.c_str(), nullptr);
    for (const auto& [folder, kb] : sizes) {
        for (const std::wstring& store : {scratch.store, moved}) {
            MakeFile(store + folder + L".dbx", static_cast<std::uint64_t>(kb) * kKb);
        }
    }
    SetIdentity(kIdentity, scratch.store);
    RunOptions watch;
    watch.watchEvents = true;
    auto folderEvent = [&](unsigned type, unsigned long id, const std::wstring& folder) {
        return FolderEvent(type, id, folder, scratch.store, sizes.at(folder));
    };

    Session first = Drive(
        scratch,
        [&](HWND window, size_t index) {
            EXPECT_EQ(driver::Control(window, lblWarningTitle).text, L"WARNING!");
            EXPECT_FALSE(Ticked(window)) << "window " << index << " opened ticked";
            if (index == 0) {
                // The scan waits for this window: the other file is not looked at yet.
                EXPECT_EQ(ScanLines(scratch).size(), 1u);
                driver::ClickId(window, chkNoCheck);
                EXPECT_TRUE(WaitUntil([&] { return Ticked(window); }));
            }
            driver::ClickId(window, cmdClose);
        },
        watch);
    EXPECT_EQ(first.exitCode, 0u);
    ASSERT_EQ(first.folders.size(), 2u);
    const std::wstring ticked = first.folders[0], other = first.folders[1];
    ASSERT_EQ(sizes.count(ticked) + sizes.count(other), 2u);
    EXPECT_EQ(ScanLines(scratch),
              (std::vector<std::wstring>{
                  FileLine(ticked + L".dbx", sizes.at(ticked), Verdict::Warned), NoCheckLine(),
                  FileLine(other + L".dbx", sizes.at(other), Verdict::Warned), EndLine()}));
    const auto exemptions = ProfileSection(scratch.IniBytes(), L"No Check");
    EXPECT_EQ(exemptions, (std::vector<std::wstring>{L"Visible=1", ticked + L"=" + scratch.store}));
    // The administrator reads each warning, and which one the user ticked.
    EXPECT_EQ(first.trace.events,
              (std::vector<Event>{folderEvent(kWarningEvent, kWarnedAndSkippedEvent, ticked),
                                  folderEvent(kWarningEvent, kWarnedEvent, other)}));

    // Same store: the ticked folder is passed over without a window, and
    // reported to the administrator only.
    Session second = Drive(scratch, PressClose, watch);
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_EQ(second.folders, std::vector<std::wstring>{other});
    EXPECT_EQ(ScanLines(scratch),
              (std::vector<std::wstring>{
                  FileLine(ticked + L".dbx", sizes.at(ticked), Verdict::Exempted),
                  FileLine(other + L".dbx", sizes.at(other), Verdict::Warned), EndLine()}));
    EXPECT_EQ(second.trace.events,
              (std::vector<Event>{folderEvent(kWarningEvent, kSkippedLargeEvent, ticked),
                                  folderEvent(kWarningEvent, kWarnedEvent, other)}));

    // The store has moved: the exemption was for the old one.
    SetIdentity(kIdentity, moved);
    Session third = Drive(scratch, PressClose);
    EXPECT_EQ(third.exitCode, 0u);
    EXPECT_EQ(third.folders.size(), 2u);
    const std::vector<std::wstring> lines = ScanLines(scratch);
    for (const auto& [folder, kb] : sizes) {
        EXPECT_NE(
            std::find(lines.begin(), lines.end(), FileLine(folder + L".dbx", kb, Verdict::Warned)),
            lines.end())
            << Cp932(folder);
    }
    EXPECT_EQ(ProfileSection(scratch.IniBytes(), L"No Check"), exemptions);
}

TEST(WarningWindow, SizeLineGroupsDigitsAndSignsTheRoomLeft) {
    const struct {
        std::uint64_t bytes;
        const char* warning;
        const char* limit;
        const char* line;
    } rows[] = {
        // The unit table holds the rest; these two need more than 32 bits in
        // the shipped exe. Past 2 GiB: over the limit, so the room left is
        // negative.
        {3ull << 30, "1048576", "2097152", "3,145,728 KB  ( 残り -1,048,576 KB )"},
        // The lowest limit takes the room left out of the 32-bit range.
        {2147482624, "1048576", "-2147483648", "2,097,151 KB  ( 残り -2,149,580,799 KB )"},
    };
    int row = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.line);
        Scratch scratch(L"window_size_" + std::to_wstring(row++));
        ProfileValues values;
        values.warning = r.warning;
        values.limit = r.limit;
        scratch.WriteIni(ProfileBytes(values));
        MakeFile(scratch.store + L"Inbox.dbx", r.bytes);
        SetIdentity(kIdentity, scratch.store);
        std::wstring shown;
        Session session = Drive(scratch, [&](HWND window, size_t) {
            shown = driver::Control(window, lblFileSize).text;
            driver::ClickId(window, cmdClose);
        });
        EXPECT_EQ(session.exitCode, 0u);
        EXPECT_EQ(shown, Utf16(r.line));
    }
}

TEST(WarningWindow, WithVisibleZeroTheBoxIsHiddenAndSkippedAndCloseRecordsNothing) {
    ProfileValues values;
    values.visible = "0";
    const std::string profile = ProfileBytes(values);
    Scratch scratch = OneFolderCase(L"window_hidden_box", profile);

    Session session = Drive(scratch, [&](HWND window, size_t) {
        EXPECT_FALSE(driver::Control(window, chkNoCheck).visible);
        driver::PressKey(window, VK_TAB);
        EXPECT_TRUE(WaitUntil([&] { return Focused(window) == cmdFolderOpen; }));
        driver::PressKey(window, VK_TAB);
        EXPECT_TRUE(WaitUntil([&] { return Focused(window) == cmdClose; }))
            << "Tab went to " << Focused(window);
        driver::ClickId(window, cmdClose);
    });
    ExpectOneWarningNothingRecorded(session, scratch, profile);
}

TEST(WarningWindow, ClosingThroughTheFrameRecordsNothingThoughTheBoxIsTicked) {
    const std::string profile = ProfileBytes();
    Scratch scratch = OneFolderCase(L"window_frame_close", profile);

    Session session = Drive(scratch, [&](HWND window, size_t) {
        driver::ClickId(window, chkNoCheck);
        EXPECT_TRUE(WaitUntil([&] { return Ticked(window); }));
        driver::CloseByFrame(window);
    });
    ExpectOneWarningNothingRecorded(session, scratch, profile);
}

// The path is quoted: Explorer would cut it at a comma (see BadStore for the
// folder that Wine's own Explorer opens).
TEST(WarningWindow, FolderButtonStartsTheSystemsExplorerWithTheQuotedPathAndStaysOpen) {
    Scratch scratch(L"window_explorer");
    const std::wstring store = scratch.dir + L"Outlook Express メール 保存\\";
    CreateDirectoryW(store.c_str(), nullptr);
    MakeFile(store + L"Inbox.dbx", 1048576 * kKb);
    SetIdentity(kIdentity, store);
    const std::string profile = ProfileBytes();
    scratch.WriteIni(profile);
    StandInExplorer explorer(scratch);

    Session session = Drive(
        scratch,
        [&](HWND window, size_t) {
            EXPECT_TRUE(driver::Topmost(window));
            for (size_t clicks = 1; clicks <= 2; ++clicks) {
                driver::ClickId(window, cmdFolderOpen);
                EXPECT_TRUE(explorer.WaitForStarts(clicks)) << "click " << clicks;
                driver::Settle(window);
                EXPECT_TRUE(IsWindowVisible(window)) << "参照 closed the window";
                // Explorer can come in front of it.
                EXPECT_FALSE(driver::Topmost(window)) << "click " << clicks;
            }
            driver::ClickId(window, cmdClose);
        },
        explorer.Options());
    EXPECT_EQ(session.exitCode, 0u);
    const auto starts = explorer.Starts();
    EXPECT_EQ(starts.size(), 2u);
    for (const auto& [program, commandLine] : starts) {
        EXPECT_EQ(_wcsicmp(program.c_str(), SystemExplorer().c_str()), 0)
            << "started " << Cp932(program);
        EXPECT_EQ(commandLine, L"explorer \"" + store + L"\"");
    }
    EXPECT_EQ(scratch.IniBytes(), profile);
}

TEST(WarningWindow, AFolderNamedVisibleIsOfferedNoBoxAndTheSettingSurvives) {
    // Profile keys match in any letter case, so "vISIBLE" is that key too.
    for (const wchar_t* folder : {L"Visible", L"vISIBLE"}) {
        SCOPED_TRACE(Cp932(folder));
        const std::string profile = ProfileBytes();
        Scratch scratch = OneFolderCase(std::wstring(L"window_named_") + folder, profile, folder);

        Session session = Drive(scratch, [&](HWND window, size_t) {
            EXPECT_FALSE(driver::Control(window, chkNoCheck).visible);
            driver::ClickId(window, cmdClose);
        });
        ExpectOneWarningNothingRecorded(session, scratch, profile, folder);
        EXPECT_EQ(session.folders, std::vector<std::wstring>{folder});
    }
}

namespace {

// Sets the dots per inch at which new processes of the prefix draw, and puts
// the previous setting back.
class DisplayDpi {
  public:
    explicit DisplayDpi(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key_, nullptr);
        DWORD size = sizeof previous_;
        had_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr,
                                reinterpret_cast<BYTE*>(&previous_), &size) == ERROR_SUCCESS;
        Set(dpi);
    }
    ~DisplayDpi() {
        if (had_) {
            Set(previous_);
        } else {
            RegDeleteValueW(key_, L"LogPixels");
        }
        RegCloseKey(key_);
    }

  private:
    void Set(DWORD dpi) {
        RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                       sizeof dpi);
    }
    HKEY key_ = nullptr;
    DWORD previous_ = 0;
    bool had_ = false;
};

// A 24-bit bottom-up BMP as SaveWindowBitmap writes it.
struct Picture {
    std::string bytes;
    int width = 0, height = 0;
    COLORREF At(int x, int y) const {
        const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
        const size_t at = 54 + static_cast<size_t>(height - 1 - y) * stride + x * 3u;
        const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[at + i]); };
        return RGB(byte(2), byte(1), byte(0));
    }
};

Picture LoadPicture(const std::wstring& path) {
    Picture picture;
    picture.bytes = ReadBytes(path);
    if (picture.bytes.size() < 54) return picture;
    std::memcpy(&picture.width, picture.bytes.data() + 18, 4);
    std::memcpy(&picture.height, picture.bytes.data() + 22, 4);
    return picture;
}

// Pure red pixels within a control, found in a picture of its window.
int RedPixels(const Picture& picture, HWND window, int id) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    const RECT r = driver::Control(window, id).rect;
    int red = 0;
    for (LONG y = r.top; y < r.bottom; ++y) {
        for (LONG x = r.left; x < r.right; ++x) {
            const int px = x + origin.x - frame.left, py = y + origin.y - frame.top;
            if (px < picture.width && py < picture.height && picture.At(px, py) == RGB(255, 0, 0)) {
                ++red;
            }
        }
    }
    return red;
}

}  // namespace

// Saves build/win64/screenshots/warning-96dpi.bmp and warning-144dpi.bmp,
// which CTest turns into PNG once the tests are done.
TEST(WarningWindowPicture, ScalesWithTheDisplayAndDrawsTitleAndMessageInRed) {
    const std::wstring shots = BuildFolder() + L"screenshots\\";
    CreateDirectoryW(shots.c_str(), nullptr);
    for (int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        DisplayDpi display(static_cast<DWORD>(dpi));
        Scratch scratch = OneFolderCase(L"window_dpi_" + std::to_wstring(dpi), ProfileBytes(),
                                        L"受信トレイ", 1234567);
        const std::wstring name = shots + L"warning-" + std::to_wstring(dpi) + L"dpi";

        Session session = Drive(scratch, [&](HWND window, size_t) {
            ExpectLayout(window, dpi);
            Sleep(300);  // let it finish painting
            ASSERT_TRUE(driver::SaveWindowBitmap(window, name + L".bmp"));
            const Picture picture = LoadPicture(name + L".bmp");
            EXPECT_GT(RedPixels(picture, window, lblWarningTitle), 20);
            EXPECT_GT(RedPixels(picture, window, lblWarningMsg), 20);
            for (int id : {Label3, lblFolderName, Label4, lblFileName, Label5, lblFileSize}) {
                EXPECT_EQ(RedPixels(picture, window, id), 0) << "control " << id;
            }
            driver::ClickId(window, cmdClose);
        });
        EXPECT_EQ(session.exitCode, 0u);
    }
}
