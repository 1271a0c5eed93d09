// The run skeleton and the settings, seen from outside: the files a first and
// a second run leave, and how a bad setting ends the run.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/stand_in.h"
#include "harness.h"

using namespace e2e;

namespace {

// The system DLLs that a window or a message box may look up by name on
// Windows XP, Vista and 7 and under Wine, and that the program loads by
// full path before the first of them.
const wchar_t* const kWindowPathDlls[] = {
    L"lpk.dll",     L"usp10.dll",   L"uxtheme.dll", L"userenv.dll",   L"setupapi.dll",
    L"apphelp.dll", L"propsys.dll", L"dwmapi.dll",  L"cryptbase.dll", L"oleacc.dll",
    L"clbcatq.dll", L"version.dll", L"msimg32.dll"};

}  // namespace

TEST(FirstRun, CreatesTheProfileAndLogsTheDefaults) {
    Scratch scratch(L"first_run");
    ClearIdentities();
    RunOptions watch;
    watch.watchEvents = true;
    Outcome outcome = RunToEnd(scratch, watch);
    ASSERT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.errors.empty());
    // Nothing to show: none of the window's DLLs is loaded.
    for (const wchar_t* dll : kWindowPathDlls) {
        EXPECT_EQ(std::count(outcome.trace.dlls.begin(), outcome.trace.dlls.end(), dll), 0)
            << Cp932(dll) << " loaded by a run with nothing to show";
    }

    std::vector<std::wstring> expected = DefaultOpening();
    expected.push_back(NoIdentityLine());
    expected.push_back(EndLine());
    EXPECT_EQ(scratch.LogMessages(), expected);

    // Sections, keys and values in order, in code page 932, with only the
    // profile service's own blank lines between them.
    EXPECT_EQ(ProfileSections(scratch.IniBytes()),
              (ProfileText{{L"Tarnwick",
                            {L"LimitSize=2097152", L"WarningSize=1048576", L"WarningTitle=WARNING!",
                             std::wstring(L"WarningMsg=") + kDefaultMessage}},
                           {L"No Check", {L"Visible=1"}}}));
}

TEST(FirstRun, AnUnconvertibleSettingEndsTheRunWithAnErrorMessage) {
    Scratch scratch(L"bad_limit");
    ClearIdentities();
    scratch.WriteIni("[Tarnwick]\r\nLimitSize=abc\r\n");
    const PlantedDlls planted(scratch.dir, {L"uxtheme", L"msimg32"});  // as for the warning window
    RunOptions watch;
    watch.watchEvents = true;
    Outcome outcome = RunToEnd(scratch, watch);
    EXPECT_EQ(planted.Loads(), L"");
    ExpectFailure(outcome, scratch, {13});
    ASSERT_EQ(outcome.errors.size(), 1u);
    EXPECT_NE(outcome.errors[0].find(L"LimitSize=abc"), std::wstring::npos);
    EXPECT_EQ(scratch.LogMessages(), std::vector<std::wstring>{StartLine()});
    EXPECT_EQ(scratch.IniBytes(), "[Tarnwick]\r\nLimitSize=abc\r\n");

    // The administrator reads what the user read: number, description and
    // what the program was doing, then the user.
    ASSERT_EQ(outcome.trace.events.size(), 1u);
    const Event& event = outcome.trace.events[0];
    EXPECT_EQ(event.type, kErrorEvent);
    EXPECT_EQ(event.id, kRunFailedEvent);
    ASSERT_EQ(event.strings.size(), 4u);
    EXPECT_EQ(event.strings[0], L"13");
    EXPECT_EQ(Utf16("エラー番号 ") + event.strings[0] + Utf16("：") + event.strings[1] +
                  L"\r\n\r\n" + event.strings[2],
              outcome.errors[0]);
    EXPECT_EQ(event.strings[3], UserName());

    // Windows XP creates no message box in an exe whose manifest names the
    // common controls until they are loaded: that comes first.
    const auto& calls = outcome.trace.calls;
    const auto box = std::find_if(calls.begin(), calls.end(), [](const std::string& call) {
        return call.rfind("user32.MessageBox", 0) == 0;
    });
    ASSERT_NE(box, calls.end()) << "no message box call seen";
    std::string seen;
    for (const std::string& call : calls) seen += " " + call;
    EXPECT_NE(std::find(calls.begin(), box, "comctl32.InitCommonControls"), box)
        << "a message box before the common controls:" << seen;
    // Above the user's work and asking for the foreground (a logon check may
    // start while the user is at work): MB_TOPMOST 0x40000, MB_SETFOREGROUND
    // 0x10000, MB_ICONERROR 0x10, MB_OK 0. Wine shows no box topmost, so the
    // call is what can be seen.
    const std::string& arguments = outcome.trace.callArguments[box - calls.begin()];
    EXPECT_EQ(arguments.substr(arguments.rfind(',') + 1), "00050010");

    // Every DLL of the list that the system has comes from the system
    // folder, lpk and usp10 before user32 (whose start-up asks for lpk by
    // name on Windows XP); one the system lacks from nowhere.
    const WineTrace& trace = outcome.trace;
    auto at = [&](const std::wstring& name) {
        return std::find(trace.dlls.begin(), trace.dlls.end(), name) - trace.dlls.begin();
    };
    for (const std::wstring dll : kWindowPathDlls) {
        std::wstring system = SystemCopy(dll);
        CharLowerBuffW(system.data(), static_cast<DWORD>(system.size()));
        const auto index = at(dll);
        EXPECT_EQ(index < std::ssize(trace.dlls) ? trace.dllPaths[index] : L"", system);
        if (!system.empty() && (dll == L"lpk.dll" || dll == L"usp10.dll")) {
            EXPECT_LT(index, at(L"user32.dll")) << Cp932(dll) << " after user32";
        }
    }
}
