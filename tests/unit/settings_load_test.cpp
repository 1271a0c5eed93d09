// Number settings and the settings load against a profile in a scratch file.
#include "check_run/settings_load.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "check_run/run_state.h"
#include "platform/failure.h"
#include "test_files.h"

using testfiles::Cp932;
using testfiles::LogMessages;
using testfiles::TempPath;

TEST(ParseWholeNumber, AcceptsExactly32BitWholeNumbers) {
    struct Row {
        const wchar_t* text;
        std::optional<std::int32_t> expected;
        bool tooLarge;
    };
    const Row rows[] = {
        {L"-2147483648", -2147483647 - 1, false},
        {L"2147483647", 2147483647, false},
        {L"0", 0, false},
        {L"-0", 0, false},
        {L"  42  ", 42, false},
        {L"+7", 7, false},
        {L"007", 7, false},
        {L"-0012", -12, false},
        {L"0000000000002147483647", 2147483647, false},
        {L"2147483648", std::nullopt, true},
        {L"-2147483649", std::nullopt, true},
        {L"4294967296", std::nullopt, true},  // wraps to 0 in 32 bits
        {L"99999999999999999999999", std::nullopt, true},
        {L"abc", std::nullopt, false},
        {L"", std::nullopt, false},
        {L"   ", std::nullopt, false},
        {L"1.5", std::nullopt, false},
        {L"1e3", std::nullopt, false},
        {L"１２３", std::nullopt, false},  // full-width digits
        {L"12a", std::nullopt, false},
        {L"-", std::nullopt, false},
        {L"+-1", std::nullopt, false},
    };
    for (const Row& row : rows) {
        bool tooLarge = !row.tooLarge;
        EXPECT_EQ(ParseWholeNumber(row.text, &tooLarge), row.expected) << Cp932(row.text);
        EXPECT_EQ(tooLarge, row.tooLarge) << Cp932(row.text);
    }
}

namespace {

const wchar_t kDefaultMessage[] =
    L"フォルダのサイズが警告値を超えています。 2GB (約 2,097,152 KB) 辺りでフォルダが"
    L"開けなくなりますので、不要メールの削除または別フォルダへの移動を行って下さい。";

std::vector<std::string> Lines(std::initializer_list<std::wstring> texts) {
    std::vector<std::string> lines;
    for (const std::wstring& text : texts) lines.push_back(Cp932(text));
    return lines;
}

std::vector<std::string> SettingLines(const std::wstring& limit, const std::wstring& warning,
                                      const std::wstring& title, const std::wstring& message,
                                      const std::wstring& visible) {
    return Lines({L"制限サイズ取得：" + limit, L"警告サイズ取得：" + warning,
                  L"警告タイトル取得：" + title, L"警告メッセージ取得：" + message,
                  L"chkNoCheckチェックボックスの表示取得：" + visible});
}

// Each section's key lines, sorted: where the service puts a new key within
// its section is the service's business.
std::map<std::string, std::vector<std::string>> Sections(const std::string& ini) {
    std::map<std::string, std::vector<std::string>> sections;
    std::string current;
    for (size_t at = 0; at < ini.size();) {
        size_t end = std::min(ini.find("\r\n", at), ini.size());
        std::string line = ini.substr(at, end - at);
        at = end + 2;
        if (line.empty()) continue;
        if (line[0] == '[') {
            current = line;
        } else {
            sections[current].push_back(line);
        }
    }
    for (auto& [name, lines] : sections) std::sort(lines.begin(), lines.end());
    return sections;
}

class LoadSettingsTest : public testing::Test {
  protected:
    void SetUp() override {
        RunState = RunStateData{};
        RunState.IniPath = ini.path();
        RunState.LogPath = log.path();
    }
    TempPath ini{L"settings.ini"};
    TempPath log{L"settings.log"};
};

}  // namespace

TEST_F(LoadSettingsTest, WritesDefaultsOnlyForMissingOrEmptyKeys) {
    struct Row {
        std::wstring before;
        std::map<std::string, std::vector<std::string>> after;
        std::vector<std::string> log;
    };
    const Row rows[] = {
        {L"[Tarnwick]\r\nLimitSize=0042\r\nWarningTitle=\r\nWarningMsg=手で書いた文\r\n"
         L"[No Check]\r\nVisible=0\r\n",
         {{"[Tarnwick]", Lines({L"LimitSize=0042", L"WarningMsg=手で書いた文",
                                L"WarningSize=1048576", L"WarningTitle=WARNING!"})},
          {"[No Check]", Lines({L"Visible=0"})}},
         SettingLines(L"42", L"1048576", L"WARNING!", L"手で書いた文", L"0")},
        {L"[No Check]\r\nVisible=\r\n",
         {{"[Tarnwick]",
           Lines({L"LimitSize=2097152", std::wstring(L"WarningMsg=") + kDefaultMessage,
                  L"WarningSize=1048576", L"WarningTitle=WARNING!"})},
          {"[No Check]", Lines({L"Visible=1"})}},
         SettingLines(L"2097152", L"1048576", L"WARNING!", kDefaultMessage, L"1")},
    };
    for (const Row& row : rows) {
        ini.Write(Cp932(row.before));
        log.Write("");
        LoadSettings();
        EXPECT_EQ(Sections(ini.Bytes()), row.after) << ini.Bytes();
        EXPECT_EQ(LogMessages(log.Bytes()), row.log);
    }
}

TEST_F(LoadSettingsTest, AHandEditedProfileIsLeftAsItIs) {
    const std::string edited = Cp932(
        L"; my settings\r\n[Tarnwick]\r\nLimitSize = +0100\r\nWarningSize=-5\r\n"
        L"WarningTitle=\"  注意  \"\r\nWarningMsg=大きすぎます。\r\n\r\n[No Check]\r\n"
        L"Visible=   -1\r\n受信トレイ=C:\\Mail\\\r\n");
    ini.Write(edited);
    LoadSettings();
    EXPECT_EQ(ini.Bytes(), edited);
    EXPECT_EQ(LogMessages(log.Bytes()),
              SettingLines(L"100", L"-5", L"  注意  ", L"大きすぎます。", L"-1"));
    EXPECT_EQ(RunState.LimitSize, 100);
    EXPECT_EQ(RunState.WarningSize, -5);
    EXPECT_EQ(RunState.WarningTitle, L"  注意  ");
    EXPECT_EQ(RunState.WarningMsg, L"大きすぎます。");
    EXPECT_EQ(RunState.ShowNoCheckBox, -1);
}

TEST_F(LoadSettingsTest, ABadNumberEndsTheLoadAfterTheSettingsBeforeIt) {
    struct Row {
        const char* ini;
        unsigned long number;
        size_t linesLogged;
    };
    const Row rows[] = {
        {"[Tarnwick]\r\nLimitSize=-2147483649\r\n", platform::kNumberTooLarge, 0},
        {"[Tarnwick]\r\nWarningSize=2147483648\r\n", platform::kNumberTooLarge, 1},
        {"[Tarnwick]\r\nLimitSize=1.5\r\n", platform::kNotANumber, 0},
        {"[No Check]\r\nVisible=abc\r\n", platform::kNotANumber, 4},
    };
    for (const Row& row : rows) {
        ini.Write(row.ini);
        log.Write("");
        try {
            LoadSettings();
            ADD_FAILURE() << "no failure for " << row.ini;
        } catch (const platform::RunFailure& failure) {
            EXPECT_EQ(failure.number, row.number) << row.ini;
        }
        EXPECT_EQ(LogMessages(log.Bytes()).size(), row.linesLogged) << row.ini;
    }
}
