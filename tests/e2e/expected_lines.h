// What an administrator expects to read in the log and the error message,
// shared by the end-to-end tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "harness.h"

namespace e2e {

inline const char kDefaultMessageUtf8[] =
    "フォルダのサイズが警告値を超えています。 2GB (約 2,097,152 KB) "
    "辺りでフォルダが開けなくなりますので、"
    "不要メールの削除または別フォルダへの移動を行って下さい。";

inline std::wstring StartLine() {
    return Utf16("Tarnwick 起動");
}
inline std::wstring EndLine() {
    return Utf16("Tarnwick 終了");
}

// The five setting lines, in the order the settings are read; the values are
// UTF-8 as they should appear after the labels.
inline std::vector<std::wstring> SettingLines(const std::string& limit, const std::string& warning,
                                              const std::string& title, const std::string& message,
                                              const std::string& visible) {
    return {Utf16("制限サイズ取得：" + limit), Utf16("警告サイズ取得：" + warning),
            Utf16("警告タイトル取得：" + title), Utf16("警告メッセージ取得：" + message),
            Utf16("chkNoCheckチェックボックスの表示取得：" + visible)};
}

inline std::vector<std::wstring> DefaultSettingLines() {
    return SettingLines("2097152", "1048576", "WARNING!", kDefaultMessageUtf8, "1");
}

// The start line followed by the five default setting lines: how every run
// without a profile begins.
inline std::vector<std::wstring> DefaultOpening() {
    std::vector<std::wstring> lines = {StartLine()};
    for (const auto& line : DefaultSettingLines()) lines.push_back(line);
    return lines;
}

inline std::wstring GuidLine(const std::wstring& identity) {
    return Utf16("GUID取得：") + identity;
}
inline std::wstring StoreRootLine(const std::wstring& store) {
    return Utf16("Store Root取得：") + store;
}

// One line per folder file: name, size in kilobytes and the verdict.
enum class Verdict { Below, Exempted, Warned };
inline std::wstring FileLine(const std::wstring& name, std::int64_t kilobytes, Verdict verdict) {
    const char* closing = verdict == Verdict::Below      ? ", 警告サイズ以下"
                          : verdict == Verdict::Exempted ? ", チェック省略対象"
                                                         : ", 警告画面表示";
    return name + Utf16("  サイズ：") + std::to_wstring(kilobytes) + Utf16(closing);
}

// The listing order is the file system's: compare per-file lines as a set.
inline std::vector<std::wstring> Sorted(std::vector<std::wstring> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

// An error message must let the administrator look the failure up: a number
// and some words that say what went wrong. Texts the message may quote (the
// paths and the value involved) are taken out first, so that their digits do
// not pass for the number.
inline void ExpectNumberAndDescription(const std::wstring& text,
                                       const std::vector<std::wstring>& quoted) {
    std::wstring rest = text;
    for (const std::wstring& part : quoted) {
        for (size_t at; !part.empty() && (at = rest.find(part)) != std::wstring::npos;) {
            rest.erase(at, part.size());
        }
    }
    EXPECT_NE(rest.find_first_of(L"0123456789"), std::wstring::npos)
        << "no number in: " << Cp932(text);
    size_t letters = 0;
    for (wchar_t c : rest) {
        if ((c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c >= 0x3000) ++letters;
    }
    EXPECT_GE(letters, 4u) << "no description in: " << Cp932(text);
}

inline std::wstring WithoutFinalBackslash(const std::wstring& path) {
    return path.substr(0, path.size() - 1);
}

}  // namespace e2e
