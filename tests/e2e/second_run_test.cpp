// Runs against a profile the administrator has edited, and runs that cannot
// go on: what the log, the profile, the error message and the exit status say.
#include <gtest/gtest.h>

#include "harness.h"
#include "platform/failure.h"

using namespace e2e;

namespace {

std::vector<std::wstring> Joined(std::vector<std::wstring> lines,
                                 const std::vector<std::wstring>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

}  // namespace

TEST(SecondRun, ReplacesTheLogAndLeavesHandEditedValuesAlone) {
    Scratch scratch(L"e2e_second_run");
    ClearIdentities();
    ASSERT_EQ(RunToEnd(scratch).exitCode, 0u);

    // The administrator's own values: the extremes of the number range, a
    // title kept between quotes for its outer spaces, and the box hidden.
    const std::string edited = Cp932(
        L"[Tarnwick]\r\nLimitSize=2147483647\r\nWarningSize=-2147483648\r\n"
        L"WarningTitle=\"  お知らせ  \"\r\nWarningMsg=受信トレイを整理して下さい。 (Inbox)\r\n"
        L"[No Check]\r\nVisible=0\r\n");
    scratch.WriteIni(edited);
    const Outcome outcome = RunToEnd(scratch);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.errors.empty());

    // Nothing of the first run's log is left.
    EXPECT_EQ(
        scratch.LogMessages(),
        Joined({StartLine()}, Joined(SettingLines(L"2147483647", L"-2147483648", L"  お知らせ  ",
                                                  L"受信トレイを整理して下さい。 (Inbox)", L"0"),
                                     {NoIdentityLine(), EndLine()})));
    EXPECT_EQ(scratch.IniBytes(), edited) << "the profile was rewritten";
}

// A key present with an empty value counts as missing: its default is used,
// logged and written in its place, and nothing else in the file moves.
TEST(SecondRun, AnEmptyKeyGetsItsDefaultWrittenInPlace) {
    struct Row {
        const char* key;
        const char* defaultValue;
        int settingIndex;  // which of the five setting lines shows it
    };
    const Row rows[] = {
        {"LimitSize", "2097152", 0},
        {"WarningTitle", "WARNING!", 2},
        {"Visible", "1", 4},
    };
    ProfileValues values;
    values.limit = "3000000";
    values.warning = "500";
    values.title = Cp932(L"注意");
    values.message = Cp932(L"フォルダを整理して下さい。");
    values.visible = "0";

    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        Scratch scratch(L"e2e_empty_" + Utf16(row.key));
        ClearIdentities();
        ProfileValues empty = values, written = values;
        empty[row.key] = "";
        written[row.key] = row.defaultValue;
        scratch.WriteIni(ProfileBytes(empty));
        const Outcome outcome = RunToEnd(scratch);
        ExpectNormalEnd(outcome, scratch);
        EXPECT_EQ(scratch.IniBytes(), ProfileBytes(written));

        std::wstring shown[5] = {Utf16(values.limit), Utf16(values.warning),
                                 FromCp932(values.title), FromCp932(values.message),
                                 Utf16(values.visible)};
        shown[row.settingIndex] = Utf16(row.defaultValue);
        EXPECT_EQ(scratch.LogMessages(),
                  Joined(Joined({StartLine()},
                                SettingLines(shown[0], shown[1], shown[2], shown[3], shown[4])),
                         {NoIdentityLine(), EndLine()}));
    }
}

// One past either end of the signed 32-bit range is not a number the program
// can hold: the run stops at that setting, with nothing written back.
TEST(SettingFailure, ANumberBeyond32BitsEndsTheRunAtThatSetting) {
    struct Row {
        const char* name;
        const char* profile;
        const char* value;
        size_t linesBefore;  // setting lines logged before the failing one
    };
    const Row rows[] = {
        {"warning_size", "[Tarnwick]\r\nLimitSize=2097152\r\nWarningSize=2147483648\r\n",
         "2147483648", 1},
        {"visible",
         "[Tarnwick]\r\nLimitSize=2097152\r\nWarningSize=1048576\r\nWarningTitle=WARNING!\r\n"
         "WarningMsg=m\r\n[No Check]\r\nVisible=-2147483649\r\n",
         "-2147483649", 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Scratch scratch(L"e2e_too_large_" + Utf16(row.name));
        ClearIdentities();
        scratch.WriteIni(row.profile);
        const Outcome outcome = RunToEnd(scratch);
        ExpectFailure(outcome, scratch, {platform::kNumberTooLarge});

        std::vector<std::wstring> expected = {StartLine()};
        const auto settings = SettingLines(L"2097152", L"1048576", L"WARNING!", L"m", L"");
        expected.insert(expected.end(), settings.begin(),
                        settings.begin() + static_cast<long>(row.linesBefore));
        EXPECT_EQ(scratch.LogMessages(), expected);
        EXPECT_EQ(scratch.IniBytes(), row.profile);
    }
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
