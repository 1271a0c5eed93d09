// The run skeleton and the settings, seen from outside: the files a first and
// a second run leave, and how a bad setting ends the run.
#include <gtest/gtest.h>

#include "harness.h"

using namespace e2e;

namespace {

const char kDefaultMessageUtf8[] =
    "フォルダのサイズが警告値を超えています。 2GB (約 2,097,152 KB) 辺りでフォルダが開けなくなりますので、"
    "不要メールの削除または別フォルダへの移動を行って下さい。";

std::vector<std::wstring> DefaultSettingLines() {
    return {Utf16("制限サイズ取得：2097152"), Utf16("警告サイズ取得：1048576"),
            Utf16("警告タイトル取得：WARNING!"),
            Utf16(std::string("警告メッセージ取得：") + kDefaultMessageUtf8),
            Utf16("chkNoCheckチェックボックスの表示取得：1")};
}

}  // namespace

TEST(FirstRun, CreatesTheProfileAndLogsTheDefaults) {
    Scratch scratch(L"first_run");
    ClearIdentities();
    Outcome outcome = RunToEnd(scratch);
    ASSERT_EQ(outcome.exitCode, 0u);
    EXPECT_TRUE(outcome.errors.empty());

    std::vector<std::wstring> expected = {Utf16("Tarnwick 起動")};
    for (const auto& line : DefaultSettingLines()) expected.push_back(line);
    expected.push_back(Utf16("GUIDが見つかりません"));
    expected.push_back(Utf16("Tarnwick 終了"));
    EXPECT_EQ(scratch.LogMessages(), expected);

    // Sections, keys and values in order, in code page 932, with only the
    // profile service's own blank lines between them.
    std::string ini = scratch.IniBytes();
    std::string withoutBlank;
    for (size_t at = 0; at < ini.size();) {
        size_t end = ini.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        if (end > at) withoutBlank += ini.substr(at, end - at) + "\n";
        at = end + 2;
    }
    EXPECT_EQ(withoutBlank, "[Tarnwick]\nLimitSize=2097152\nWarningSize=1048576\n"
                            "WarningTitle=WARNING!\nWarningMsg=" +
                                Cp932(Utf16(kDefaultMessageUtf8)) +
                                "\n[No Check]\nVisible=1\n");
}

TEST(FirstRun, AnUnconvertibleSettingEndsTheRunWithAnErrorMessage) {
    Scratch scratch(L"bad_limit");
    ClearIdentities();
    scratch.WriteIni("[Tarnwick]\r\nLimitSize=abc\r\n");
    Outcome outcome = RunToEnd(scratch);
    EXPECT_NE(outcome.exitCode.value_or(0), 0u);
    ASSERT_EQ(outcome.errors.size(), 1u);
    EXPECT_NE(outcome.errors[0].find(L"13"), std::wstring::npos) << Cp932(outcome.errors[0]);
    EXPECT_NE(outcome.errors[0].find(L"LimitSize=abc"), std::wstring::npos);
    EXPECT_EQ(scratch.LogMessages(), std::vector<std::wstring>{Utf16("Tarnwick 起動")});
    EXPECT_EQ(scratch.IniBytes(), "[Tarnwick]\r\nLimitSize=abc\r\n");
}
