// Runs against a profile the administrator has edited, and runs that cannot
// go on: what the log, the profile, the error message and the exit status say.
#include <gtest/gtest.h>

#include "expected_lines.h"
#include "harness.h"

using namespace e2e;

namespace {

std::vector<std::wstring> Joined(std::vector<std::wstring> lines,
                                 const std::vector<std::wstring>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

const char kNoIdentityUtf8[] = "GUIDが見つかりません";

}  // namespace

TEST(SecondRun, ReplacesTheLogAndLeavesHandEditedValuesAlone) {
    Scratch scratch(L"e2e_second_run");
    ClearIdentities();
    ASSERT_EQ(RunToEnd(scratch).exitCode, 0u);

    // The administrator's own values: the extremes of the number range, a
    // title kept between quotes for its outer spaces, and the box hidden.
    const std::string edited = Cp932(
        Utf16("[Tarnwick]\r\nLimitSize=2147483647\r\nWarningSize=-2147483648\r\n"
              "WarningTitle=\"  お知らせ  \"\r\nWarningMsg=受信トレイを整理して下さい。 (Inbox)\r\n"
              "[No Check]\r\nVisible=0\r\n"));
    scratch.WriteIni(edited);
    const Outcome outcome = RunToEnd(scratch);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.errors.empty());

    // Nothing of the first run's log is left.
    EXPECT_EQ(
        scratch.LogMessages(),
        Joined({StartLine()}, Joined(SettingLines("2147483647", "-2147483648", "  お知らせ  ",
                                                  "受信トレイを整理して下さい。 (Inbox)", "0"),
                                     {Utf16(kNoIdentityUtf8), EndLine()})));
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
    const std::string values[] = {"3000000", "500", "注意", "フォルダを整理して下さい。", "0"};
    const char* keys[] = {"LimitSize", "WarningSize", "WarningTitle", "WarningMsg", "Visible"};
    auto profile = [&](const std::string& key, const std::string& value) {
        std::string text;
        for (int i = 0; i < 5; ++i) {
            if (i == 0) text += "[Tarnwick]\r\n";
            if (i == 4) text += "[No Check]\r\n";
            text += std::string(keys[i]) + "=" + (keys[i] == key ? value : values[i]) + "\r\n";
        }
        return Cp932(Utf16(text));
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        Scratch scratch(L"e2e_empty_" + Utf16(row.key));
        ClearIdentities();
        scratch.WriteIni(profile(row.key, ""));
        const Outcome outcome = RunToEnd(scratch);
        EXPECT_EQ(outcome.exitCode, 0u);
        EXPECT_TRUE(outcome.errors.empty());
        EXPECT_EQ(scratch.IniBytes(), profile(row.key, row.defaultValue));

        std::string shown[5] = {values[0], values[1], values[2], values[3], values[4]};
        shown[row.settingIndex] = row.defaultValue;
        EXPECT_EQ(scratch.LogMessages(),
                  Joined(Joined({StartLine()},
                                SettingLines(shown[0], shown[1], shown[2], shown[3], shown[4])),
                         {Utf16(kNoIdentityUtf8), EndLine()}));
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
        EXPECT_NE(outcome.exitCode.value_or(0), 0u);
        ASSERT_EQ(outcome.errors.size(), 1u);
        ExpectNumberAndDescription(outcome.errors[0],
                                   {WithoutFinalBackslash(scratch.dir), Utf16(row.value)});

        std::vector<std::wstring> expected = {StartLine()};
        const auto settings = SettingLines("2097152", "1048576", "WARNING!", "m", "");
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
    EXPECT_NE(outcome.exitCode.value_or(0), 0u);
    ASSERT_EQ(outcome.errors.size(), 1u);
    ExpectNumberAndDescription(outcome.errors[0], {WithoutFinalBackslash(scratch.dir)});
    // The start line failed, so the settings were never loaded: no profile.
    EXPECT_EQ(GetFileAttributesW(scratch.ini.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(scratch.log.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
}
