// Runs against a profile the administrator has edited, and runs that cannot
// go on: what the log, the profile, the error message and the exit status say.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

// A key present with an empty value counts as missing: its default is used,
// logged and written in its place (the first key of its section: written at
// the section's end, it would move), and nothing else in the file moves.
TEST(SecondRun, AnEmptyKeyGetsItsDefaultWrittenInPlace) {
    Scratch scratch(L"e2e_empty_key");
    ClearIdentities();
    ProfileValues values;
    values.limit = "";
    values.warning = "500";
    values.title = Cp932(L"注意");
    values.message = Cp932(L"フォルダを整理して下さい。");
    values.visible = "0";
    scratch.WriteIni(ProfileBytes(values));
    const Outcome outcome = RunToEnd(scratch);
    ExpectNormalEnd(outcome, scratch);
    values.limit = "2097152";
    EXPECT_EQ(scratch.IniBytes(), ProfileBytes(values));
    std::vector<std::wstring> expected = {StartLine()};
    for (const auto& line :
         SettingLines(L"2097152", L"500", L"注意", L"フォルダを整理して下さい。", L"0")) {
        expected.push_back(line);
    }
    expected.insert(expected.end(), {NoIdentityLine(), EndLine()});
    EXPECT_EQ(scratch.LogMessages(), expected);
}

TEST(LogFailure, AFolderWhereTheLogBelongsEndsTheRunBeforeAnythingElse) {
    Scratch scratch(L"e2e_log_folder");
    ClearIdentities();
    ASSERT_TRUE(CreateDirectoryW(scratch.log.c_str(), nullptr));
    const Outcome outcome = RunToEnd(scratch);
    ExpectFailure(outcome, scratch, {ERROR_ACCESS_DENIED});
    // The start line failed, so the settings were never loaded: no profile.
    EXPECT_EQ(GetFileAttributesW(scratch.ini.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(scratch.log.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}
