// The log writer against a log file in a scratch folder.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/files.h"
#include "platform/failure.h"
#include "support/run_log.h"

using namespace common;

using Messages = std::vector<std::wstring>;

TEST(WriteLog, NewModeEmptiesTheFileAppendModeAdds) {
    ScratchFolder scratch(L"unit_log_modes");
    WriteLog(scratch.log, L"one", kLogNew);
    WriteLog(scratch.log, L"two", kLogNew);
    EXPECT_EQ(scratch.LogMessages(), Messages{L"two"});
    WriteLog(scratch.log, L"three", kLogAppend);
    EXPECT_EQ(scratch.LogMessages(), (Messages{L"two", L"three"}));
}

TEST(WriteLog, AppendCreatesAMissingFileAndAnEmptyMessageKeepsDateAndTime) {
    ScratchFolder scratch(L"unit_log_empty");
    WriteLog(scratch.log, L"", kLogAppend);
    // "2026/12/7 4:18:30 " and CR LF: LogMessages checks the date and time.
    EXPECT_EQ(scratch.LogMessages(), Messages{L""});
}

TEST(WriteLog, WritesJapaneseInCodePage932) {
    ScratchFolder scratch(L"unit_log_japanese");
    WriteLog(scratch.log, L"Tarnwick 起動", kLogNew);
    EXPECT_EQ(scratch.LogMessages(), Messages{L"Tarnwick 起動"});
    EXPECT_NE(scratch.LogBytes().find(" Tarnwick \x8b\x4e\x93\xae\r\n"), std::string::npos);
}

TEST(WriteLog, AFolderWhereTheLogShouldBeEndsTheRun) {
    ScratchFolder scratch(L"unit_log_folder");
    ASSERT_TRUE(CreateDirectoryW(scratch.log.c_str(), nullptr));
    try {
        WriteLog(scratch.log, L"x", kLogNew);
        ADD_FAILURE() << "no failure";
    } catch (const platform::RunFailure& failure) {
        EXPECT_EQ(failure.number, static_cast<unsigned long>(ERROR_ACCESS_DENIED));
        EXPECT_FALSE(failure.description.empty());
        // No file is there to hold an earlier check's log.
        EXPECT_EQ(failure.context, L"ログファイルを開けません：" + scratch.log +
                                       L"\r\n今回のチェックのログは書き込まれていません。");
    }
}
