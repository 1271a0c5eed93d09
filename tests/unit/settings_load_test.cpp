// Number settings and the settings load against a profile in a scratch file.
#include "check_run/settings_load.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "check_run/run_state.h"
#include "common/files.h"
#include "common/log_lines.h"
#include "common/readers.h"
#include "common/text.h"
#include "platform/failure.h"
#include "unit/fresh_run_state.h"

using namespace common;

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

// The sections in file order, each section's key lines sorted: where the
// service puts a new key within its section is the service's business.
ProfileText SortedSections(const std::string& ini) {
    ProfileText sections = ProfileSections(ini);
    for (auto& [name, lines] : sections) lines = Sorted(lines);
    return sections;
}

class LoadSettingsTest : public testing::Test {
  protected:
    void SetUp() override { FreshRunState(scratch); }
    ScratchFolder scratch{L"unit_settings"};
};

}  // namespace

TEST_F(LoadSettingsTest, WritesDefaultsOnlyForMissingOrEmptyKeys) {
    struct Row {
        std::wstring before;
        ProfileText after;
        std::vector<std::wstring> log;
    };
    const Row rows[] = {
        {L"[Tarnwick]\r\nLimitSize=0042\r\nWarningTitle=\r\nWarningMsg=手で書いた文\r\n"
         L"[No Check]\r\nVisible=0\r\n",
         {{L"Tarnwick",
           {L"LimitSize=0042", L"WarningMsg=手で書いた文", L"WarningSize=1048576",
            L"WarningTitle=WARNING!"}},
          {L"No Check", {L"Visible=0"}}},
         SettingLines(L"42", L"1048576", L"WARNING!", L"手で書いた文", L"0")},
        {L"[No Check]\r\nVisible=\r\n",
         {{L"No Check", {L"Visible=1"}},
          {L"Tarnwick",
           {L"LimitSize=2097152", std::wstring(L"WarningMsg=") + kDefaultMessage,
            L"WarningSize=1048576", L"WarningTitle=WARNING!"}}},
         DefaultSettingLines()},
    };
    for (const Row& row : rows) {
        scratch.WriteIni(Cp932(row.before));
        WriteBytes(scratch.log, "");
        LoadSettings();
        EXPECT_EQ(SortedSections(scratch.IniBytes()), row.after) << scratch.IniBytes();
        EXPECT_EQ(scratch.LogMessages(), row.log);
    }
}

TEST_F(LoadSettingsTest, AHandEditedProfileIsLeftAsItIs) {
    const std::string edited = Cp932(
        L"; my settings\r\n[Tarnwick]\r\nLimitSize = +0100\r\nWarningSize=-5\r\n"
        L"WarningTitle=\"  注意  \"\r\nWarningMsg=大きすぎます。\r\n\r\n[No Check]\r\n"
        L"Visible=   -1\r\n受信トレイ=C:\\Mail\\\r\n");
    scratch.WriteIni(edited);
    LoadSettings();
    EXPECT_EQ(scratch.IniBytes(), edited);
    EXPECT_EQ(scratch.LogMessages(),
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
        scratch.WriteIni(row.ini);
        WriteBytes(scratch.log, "");
        try {
            LoadSettings();
            ADD_FAILURE() << "no failure for " << row.ini;
        } catch (const platform::RunFailure& failure) {
            EXPECT_EQ(failure.number, row.number) << row.ini;
        }
        EXPECT_EQ(scratch.LogMessages().size(), row.linesLogged) << row.ini;
    }
}

// Another program's hold on the profile (a virus scanner, a policy refresh)
// is usually brief: waited out, the values the file holds are read, never
// replaced by their defaults.
TEST_F(LoadSettingsTest, AProfileHeldBrieflyIsReadOnceReleased) {
    const std::string profile = Cp932(
        L"[Tarnwick]\r\nLimitSize=3000000\r\nWarningSize=5\r\nWarningTitle=T\r\n"
        L"WarningMsg=M\r\n[No Check]\r\nVisible=0\r\n");
    scratch.WriteIni(profile);
    std::optional<HeldFile> held(std::in_place, scratch.ini);
    std::thread release([&] {
        Sleep(700);
        held.reset();
    });
    try {
        LoadSettings();
    } catch (const platform::RunFailure& failure) {
        ADD_FAILURE() << "error " << failure.number;
    }
    release.join();
    EXPECT_EQ(scratch.LogMessages(), SettingLines(L"3000000", L"5", L"T", L"M", L"0"));
    EXPECT_EQ(scratch.IniBytes(), profile);
}
