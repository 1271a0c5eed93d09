// The run skeleton and the settings, seen from outside: the files a first and
// a second run leave, and how a bad setting ends the run.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/stand_in.h"
#include "harness.h"
#include "platform/failure.h"

using namespace e2e;

TEST(FirstRun, CreatesTheProfileAndLogsTheDefaults) {
    Scratch scratch(L"first_run");
    ClearIdentities();
    Outcome outcome = RunToEnd(scratch);
    ASSERT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.errors.empty());

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
    const PlantedUxtheme planted(scratch.dir);  // as for the warning window
    RunOptions watch;
    watch.watchEvents = true;
    Outcome outcome = RunToEnd(scratch, watch);
    EXPECT_EQ(planted.Loads(), L"");
    ExpectFailure(outcome, scratch, {platform::kNotANumber});
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
}
