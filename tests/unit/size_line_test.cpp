// The size line of the warning window: grouped figures and the room left.
#include <gtest/gtest.h>

#include "common/text.h"
#include "warning_window/warning_window.h"

using common::Cp932;

TEST(SizeLineText, GroupsBothFiguresAndSubtractsInFullRange) {
    struct Row {
        const wchar_t* sizeKb;
        std::int32_t limit;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {L"1234567", 2097152, L"1,234,567 KB  ( 残り 862,585 KB )"},
        {L"0", 2097152, L"0 KB  ( 残り 2,097,152 KB )"},
        {L"999", 1000, L"999 KB  ( 残り 1 KB )"},
        {L"1000", 1000, L"1,000 KB  ( 残り 0 KB )"},
        {L"100", -5, L"100 KB  ( 残り -105 KB )"},
        {L"3145728", 2097152, L"3,145,728 KB  ( 残り -1,048,576 KB )"},
        {L"2097151", -2147483647 - 1, L"2,097,151 KB  ( 残り -2,149,580,799 KB )"},
        {L"4194305", 2147483647, L"4,194,305 KB  ( 残り 2,143,289,342 KB )"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SizeLineText(row.sizeKb, row.limit), row.expected) << Cp932(row.sizeKb);
    }
}

TEST(FormatGrouped, PutsTheSignBeforeTheFirstGroup) {
    const std::pair<std::int64_t, const wchar_t*> rows[] = {
        {-999999, L"-999,999"}, {123456, L"123,456"}, {-1000, L"-1,000"}, {-1, L"-1"}};
    for (const auto& [number, expected] : rows) EXPECT_EQ(FormatGrouped(number), expected);
}
