#include <gtest/gtest.h>

#include "platform/failure.h"
#include "support/run_log.h"
#include "test_files.h"

using testfiles::TempPath;

namespace {
// "date time message\r\n" with the date and time of now: cut them off.
std::string MessagesOf(const std::string& log) {
    std::string messages;
    for (size_t at = 0; at < log.size();) {
        size_t end = log.find("\r\n", at);
        if (end == std::string::npos) return messages + "<no CR LF>";
        std::string line = log.substr(at, end - at);
        size_t second = line.find(' ', line.find(' ') + 1);
        messages +=
            (second == std::string::npos ? "<no date and time>" : line.substr(second + 1)) + "|";
        at = end + 2;
    }
    return messages;
}
}  // namespace

TEST(WriteLog, NewModeEmptiesTheFileAppendModeAdds) {
    TempPath log(L"log1.log");
    WriteLog(log.path(), L"one", kLogNew);
    WriteLog(log.path(), L"two", kLogNew);
    EXPECT_EQ(MessagesOf(log.Bytes()), "two|");
    WriteLog(log.path(), L"three", kLogAppend);
    EXPECT_EQ(MessagesOf(log.Bytes()), "two|three|");
}

TEST(WriteLog, AppendCreatesAMissingFileAndAnEmptyMessageKeepsDateAndTime) {
    TempPath log(L"log2.log");
    WriteLog(log.path(), L"", kLogAppend);
    const std::string bytes = log.Bytes();
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    EXPECT_EQ(MessagesOf(bytes), "|");
    // "2026/12/7 4:18:30 ": digits and slashes, a space, digits and colons, a space.
    EXPECT_EQ(bytes.find_first_not_of("0123456789/"), bytes.find(' '));
}

TEST(WriteLog, WritesJapaneseInCodePage932) {
    TempPath log(L"log3.log");
    WriteLog(log.path(), L"Tarnwick 起動", kLogNew);
    EXPECT_EQ(MessagesOf(log.Bytes()), "Tarnwick \x8b\x4e\x93\xae|");
}

TEST(WriteLog, AFolderWhereTheLogShouldBeEndsTheRun) {
    TempPath log(L"log4.log");
    ASSERT_TRUE(CreateDirectoryW(log.path().c_str(), nullptr));
    try {
        WriteLog(log.path(), L"x", kLogNew);
        ADD_FAILURE() << "no failure";
    } catch (const platform::RunFailure& failure) {
        EXPECT_EQ(failure.number, static_cast<unsigned long>(ERROR_ACCESS_DENIED));
        EXPECT_FALSE(failure.description.empty());
    }
    RemoveDirectoryW(log.path().c_str());
}
