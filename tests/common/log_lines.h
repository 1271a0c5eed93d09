// The log lines an administrator expects to read, for the unit and the
// end-to-end tests alike.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace common {

inline const wchar_t kDefaultMessage[] =
    L"フォルダのサイズが警告値を超えています。 2GB (約 2,097,152 KB) 辺りでフォルダが"
    L"開けなくなりますので、不要メールの削除または別フォルダへの移動を行って下さい。";

inline std::wstring StartLine() {
    return L"Tarnwick 起動";
}
inline std::wstring EndLine() {
    return L"Tarnwick 終了";
}
inline std::wstring NoIdentityLine() {
    return L"GUIDが見つかりません";
}
inline std::wstring NoStoreRootLine() {
    return L"Store Root が見つかりません";
}
// Follows the file line of a warning closed with the box ticked.
inline std::wstring NoCheckLine() {
    return L"次回よりチェックを省略";
}

// The five setting lines, in the order the settings are read.
inline std::vector<std::wstring> SettingLines(const std::wstring& limit,
                                              const std::wstring& warning,
                                              const std::wstring& title,
                                              const std::wstring& message,
                                              const std::wstring& visible) {
    return {L"制限サイズ取得：" + limit, L"警告サイズ取得：" + warning,
            L"警告タイトル取得：" + title, L"警告メッセージ取得：" + message,
            L"chkNoCheckチェックボックスの表示取得：" + visible};
}

inline std::vector<std::wstring> DefaultSettingLines() {
    return SettingLines(L"2097152", L"1048576", L"WARNING!", kDefaultMessage, L"1");
}

// The start line followed by the five default setting lines: how every run
// without a profile begins.
inline std::vector<std::wstring> DefaultOpening() {
    std::vector<std::wstring> lines = {StartLine()};
    for (const auto& line : DefaultSettingLines()) lines.push_back(line);
    return lines;
}

inline std::wstring GuidLine(const std::wstring& identity) {
    return L"GUID取得：" + identity;
}
inline std::wstring StoreRootLine(const std::wstring& store) {
    return L"Store Root取得：" + store;
}

// One line per folder file: name, size in kilobytes and the verdict.
enum class Verdict { Below, Exempted, Warned };
inline std::wstring FileLine(const std::wstring& name, std::int64_t kilobytes, Verdict verdict) {
    const wchar_t* closing = verdict == Verdict::Below      ? L", 警告サイズ以下"
                             : verdict == Verdict::Exempted ? L", チェック省略対象"
                                                            : L", 警告画面表示";
    return name + L"  サイズ：" + std::to_wstring(kilobytes) + closing;
}

// The listing order is the file system's: compare per-file lines as a set.
inline std::vector<std::wstring> Sorted(std::vector<std::wstring> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

}  // namespace common
