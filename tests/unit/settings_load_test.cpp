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
        L"; my settings\r\n[Tarnwick]\r\nLimitSize = +0100\r\nWarningSize=-2147483648\r\n"
        L"WarningTitle=\"  注意  \"\r\nWarningMsg=大きすぎます。\r\n\r\n[No Check]\r\n"
        L"Visible=   -1\r\n受信トレイ=C:\\Mail\\\r\n");
    scratch.WriteIni(edited);
    LoadSettings();
    EXPECT_EQ(scratch.IniBytes(), edited);
    EXPECT_EQ(scratch.LogMessages(),
              SettingLines(L"100", L"-2147483648", L"  注意  ", L"大きすぎます。", L"-1"));
    EXPECT_EQ(RunState.LimitSize, 100);
    EXPECT_EQ(RunState.WarningSize, -2147483647 - 1);
    EXPECT_EQ(RunState.WarningTitle, L"  注意  ");
    EXPECT_EQ(RunState.WarningMsg, L"大きすぎます。");
    EXPECT_EQ(RunState.ShowNoCheckBox, -1);
}

// Each number as the profile service gives it: converted only as a whole
// number, the edges of the 32-bit range exactly; anything else ends the load
// with error 13 (not a whole number) or 6 (beyond 32 bits) after the settings
// before it, and nothing is written back.
TEST_F(LoadSettingsTest, NumbersConvertOnlyAsWholeNumbersAndTheEdgesExactly) {
    struct Row {
        size_t setting;  // 0 LimitSize, 1 WarningSize, 4 Visible
        std::string text;
        std::optional<std::int32_t> value;  // nothing: the load fails with `error`
        unsigned long error;
    };
    const Row rows[] = {
        {0, "\" 3000000 \"", 3000000, 0},
        {0, "   3000000   ", 3000000, 0},  // the profile service strips these
        {0, "+3000000", 3000000, 0},
        {0, "0003000000", 3000000, 0},
        {4, "010", 10, 0},  // not octal
        {0, "-2147483648", -2147483647 - 1, 0},
        {1, "2147483647", 2147483647, 0},
        {1, "00000000002147483647", 2147483647, 0},
        {4, "\" -2147483648\"", -2147483647 - 1, 0},
        {0, "1048576.5", std::nullopt, 13},
        {1, "3000000.0", std::nullopt, 13},
        {0, "1e6", std::nullopt, 13},
        {1, "1,048,576", std::nullopt, 13},
        {0, "\x89\xFF\x01\x7F\x80", std::nullopt, 13},
        {4, "abc", std::nullopt, 13},
        {0, "2147483648", std::nullopt, 6},
        {0, "-2147483649", std::nullopt, 6},
        {1, "2147483648", std::nullopt, 6},
        {4, "-2147483649", std::nullopt, 6},
        // Longer than the reader's 1023 bytes: read whole, never as a part.
        {1, "1048576" + std::string(1100, ' ') + "x", std::nullopt, 13},
        {0, std::string(1100, '0') + "3000000", 3000000, 0},
        {4, "1" + std::string(1100, '0'), std::nullopt, 6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::string values[5] = {"2097152", "1048576", "T", "M", "1"};
        values[row.setting] = row.text;
        const std::string profile = "[Tarnwick]\r\nLimitSize=" + values[0] +
                                    "\r\nWarningSize=" + values[1] +
                                    "\r\nWarningTitle=T\r\nWarningMsg=M\r\n"
                                    "[No Check]\r\nVisible=" +
                                    values[4] + "\r\n";
        scratch.WriteIni(profile);
        WriteBytes(scratch.log, "");
        std::wstring shown[5] = {L"2097152", L"1048576", L"T", L"M", L"1"};
        std::vector<std::wstring> logged = SettingLines(L"2097152", L"1048576", L"T", L"M", L"1");
        try {
            LoadSettings();
            ASSERT_TRUE(row.value.has_value()) << "converted";
            shown[row.setting] = std::to_wstring(*row.value);
            logged = SettingLines(shown[0], shown[1], shown[2], shown[3], shown[4]);
        } catch (const platform::RunFailure& failure) {
            EXPECT_FALSE(row.value.has_value()) << "failed with " << failure.number;
            EXPECT_EQ(failure.number, row.error);
            const std::wstring key = row.setting == 0   ? L"LimitSize"
                                     : row.setting == 1 ? L"WarningSize"
                                                        : L"Visible";
            EXPECT_NE(failure.context.find(key + L"="), std::wstring::npos)
                << "the message does not name the setting";
            logged.resize(row.setting);
        }
        EXPECT_EQ(scratch.LogMessages(), logged);
        EXPECT_EQ(scratch.IniBytes(), profile);
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
