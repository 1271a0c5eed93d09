// The profile file through the system's profile service: what lands in the
// file's bytes and what comes back.
#include "support/profile_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "common/files.h"
#include "common/text.h"

using namespace common;

namespace {
bool Holds(const std::string& bytes, const std::string& part) {
    return bytes.find(part) != std::string::npos;
}
}  // namespace

TEST(ProfileFile, OuterSpacesAreQuotedInTheFileAndComeBackWithoutQuotes) {
    struct Row {
        const wchar_t* value;
        const char* line;  // as it must stand in the file
    };
    const Row rows[] = {
        {L"  both ends  ", "k=\"  both ends  \"\r\n"},
        {L" leading", "k=\" leading\"\r\n"},
        {L"trailing ", "k=\"trailing \"\r\n"},
        {L"in side", "k=in side\r\n"},  // inner spaces need no quotes
    };
    ScratchFolder scratch(L"unit_profile_quotes");
    for (const Row& row : rows) {
        WriteIniString(scratch.ini, L"S", L"k", row.value);
        EXPECT_TRUE(Holds(scratch.IniBytes(), row.line)) << "file: " << scratch.IniBytes();
        EXPECT_EQ(ReadIniString(scratch.ini, L"S", L"k"), row.value);
    }
}

TEST(ProfileFile, ALongValueComesBackCutTo1023Bytes) {
    std::string value;
    for (int i = 0; i < 2000; ++i) value += static_cast<char>('A' + i % 26);
    ScratchFolder scratch(L"unit_profile_long");
    scratch.WriteIni("[S]\r\nlong=" + value + "\r\n");
    const std::wstring read = ReadIniString(scratch.ini, L"S", L"long");
    EXPECT_EQ(read, std::wstring(value.begin(), value.begin() + 1023));
    EXPECT_EQ(ReadIniValue(scratch.ini, L"S", L"long"), std::wstring(value.begin(), value.end()));
}

TEST(ProfileFile, AbsenceAndEmptinessBothReadAsEmpty) {
    ScratchFolder scratch(L"unit_profile_absent");
    const std::wstring& ini = scratch.ini;
    const std::wstring missing = scratch.dir + L"never_made.ini";
    scratch.WriteIni("[S]\r\npresent=v\r\nempty=\r\n");
    struct Row {
        const std::wstring& path;
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* expected;
    };
    const Row rows[] = {
        {ini, L"S", L"present", L"v"},  // the file itself is readable
        {missing, L"S", L"present", L""}, {ini, L"Other", L"present", L""},
        {ini, L"S", L"absent", L""},      {ini, L"S", L"empty", L""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ReadIniString(row.path, row.section, row.key), row.expected)
            << "section " << Cp932(row.section) << ", key " << Cp932(row.key);
    }
}

TEST(ProfileFile, JapaneseIsStoredInCodePage932AndReadBack) {
    ScratchFolder scratch(L"unit_profile_japanese");
    // ソ and 表 end in the byte of a backslash in code page 932.
    WriteIniString(scratch.ini, L"設定", L"受信トレイ", L"C:\\メール\\表示ソフト\\");
    const std::string bytes = scratch.IniBytes();
    EXPECT_TRUE(Holds(bytes, Cp932(L"[設定]\r\n"))) << bytes;
    EXPECT_TRUE(Holds(bytes, Cp932(L"受信トレイ=C:\\メール\\表示ソフト\\\r\n"))) << bytes;
    EXPECT_EQ(ReadIniString(scratch.ini, L"設定", L"受信トレイ"), L"C:\\メール\\表示ソフト\\");

    // A file a user saved in code page 932 reads as the same text.
    scratch.WriteIni(Cp932(L"[No Check]\r\n送信済みアイテム=D:\\保存\\\r\n"));
    EXPECT_EQ(ReadIniString(scratch.ini, L"No Check", L"送信済みアイテム"), L"D:\\保存\\");
}

TEST(ProfileFile, AWriteSaysWhetherTheValueIsNowInTheFile) {
    ScratchFolder scratch(L"unit_profile_write_result");
    EXPECT_EQ(WriteIniString(scratch.ini, L"S", L"k", L"v"), 0u);
    {
        HeldFile held(scratch.ini);
        EXPECT_EQ(WriteIniString(scratch.ini, L"S", L"k", L"w"),
                  static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_EQ(ReadIniString(scratch.ini, L"S", L"k"), L"v");

    // What the file's code page cannot hold exactly ('?' or a look-alike in
    // code page 932), or a NUL, is never written; UTF-16 holds every text.
    for (const std::wstring& refused :
         {std::wstring(L"한국어"), std::wstring(L"ä"), std::wstring(L"a\0b", 3)}) {
        EXPECT_EQ(WriteIniString(scratch.ini, L"S", L"k", refused), 1113u) << Cp932(refused);
        EXPECT_EQ(WriteIniString(scratch.ini, L"S", refused, L"v"), 1113u) << Cp932(refused);
    }
    EXPECT_EQ(scratch.IniBytes(), "[S]\r\nk=v\r\n");
    scratch.WriteIni(std::string("\xFF\xFE[\0S\0]\0\r\0\n\0", 12));
    EXPECT_EQ(WriteIniString(scratch.ini, L"S", L"k", L"한국어"), 0u);
}

// Judged as Windows reads the file: UTF-8 is misread unless the ANSI code
// page is UTF-8 (the mark never is read); a rewrite keeps the characters
// of code page 932 and UTF-16, not bytes the code page lacks.
TEST(ProfileFile, TheEncodingIsJudgedAsWindowsReadsTheFile) {
    // The file is judged in pieces of 64 KiB: a character across the first
    // piece's end is still one character.
    const std::string across(65535 - 7, 'a');
    const struct {
        std::string bytes;
        bool keepsText;
        bool misreadUtf8;
    } rows[] = {
        {Cp932(L"[S]\r\nk=①ｱ髙\r\n"), true, false},              // NEC, half-width kana, IBM
        {"[S]\r\nk=\x87\x9A\xFA\x4A\xEE\xE0\r\n", true, false},  // the same by their second codes
        {"[S]\r\nk=\xC3\xBD\r\n", true, false},                  // ﾃｽ, also UTF-8 for ý
        {std::string("\xFF\xFE[\0S\0]\0", 8), true, false},      // UTF-16 with its mark
        {"[S]\r\nk=\xE8\xAD\xA6\xE5\x91\x8A\xE3\x80\x82\r\n", false, true},  // UTF-8 警告。
        {"[S]\r\nk=\xE4\x95\x82\x60\r\n", true, false},  // 苺Ａ, also UTF-8 for U+5542 '`'
        {"[S]\r\nk=" + across + "\xE3\x82\xA2\r\n", true, true},  // UTF-8 ア, or 繝｢
        {"[S]\r\nk=" + across + "\x83\x41\r\n", true, false},     // code page 932 ア
        {"\xEF\xBB\xBF[S]\r\nk=v\r\n", false, true},              // ASCII behind the UTF-8 mark
        {"[S]\r\nk=\x85\x40\r\n", false, false},                  // no character of code page 932
        {std::string("[S]\r\nk=a\0b\r\n", 12), false, false},     // a NUL byte
    };
    ScratchFolder scratch(L"unit_profile_rewrite");
    EXPECT_TRUE(RewriteKeepsText(scratch.ini)) << "a missing file";
    EXPECT_FALSE(IsMisreadUtf8(scratch.ini)) << "a missing file";
    for (const auto& row : rows) {
        scratch.WriteIni(row.bytes);
        const std::string shown =
            row.bytes.substr(row.bytes.size() > 40 ? row.bytes.size() - 8 : 0);
        EXPECT_EQ(RewriteKeepsText(scratch.ini), row.keepsText) << shown;
        EXPECT_EQ(IsMisreadUtf8(scratch.ini), row.misreadUtf8) << shown;
    }
}
