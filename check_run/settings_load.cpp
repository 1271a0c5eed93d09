#include "check_run/settings_load.h"

#include <windows.h>

#include "check_run/profile_write.h"
#include "check_run/run_state.h"
#include "platform/failure.h"
#include "platform/text.h"
#include "support/profile_file.h"
#include "support/run_log.h"

const wchar_t kDefaultWarningMsg[] =
    L"フォルダのサイズが警告値を超えています。 2GB (約 2,097,152 KB) "
    L"辺りでフォルダが開けなくなりますので、不要メールの削除または別フォルダへの移動を行って下さ"
    L"い。";

std::optional<std::int32_t> ParseWholeNumber(const std::wstring& text, bool* tooLarge) {
    *tooLarge = false;
    size_t at = 0;
    const size_t end = text.find_last_not_of(L" \t");
    if (end == std::wstring::npos) return std::nullopt;
    while (text[at] == L' ' || text[at] == L'\t') ++at;
    bool negative = false;
    if (text[at] == L'+' || text[at] == L'-') {
        negative = text[at] == L'-';
        ++at;
    }
    if (at > end) return std::nullopt;
    std::int64_t magnitude = 0;
    for (; at <= end; ++at) {
        if (text[at] < L'0' || text[at] > L'9') return std::nullopt;
        // Digits keep coming after the limit is passed: the text may still
        // turn out not to be a number, which is the better message.
        if (magnitude <= 2147483648LL) magnitude = magnitude * 10 + (text[at] - L'0');
    }
    if (magnitude > (negative ? 2147483648LL : 2147483647LL)) {
        *tooLarge = true;
        return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

namespace {

// A default that did not reach the profile: the run goes on with it, and
// says so in the log and in its exit status.
void StoreDefault(const wchar_t* section, const wchar_t* key, const std::wstring& value,
                  const std::wstring& logLine) {
    const unsigned long error = StoreProfileValue(section, key, value);
    WriteLog(RunState.LogPath, logLine, kLogAppend);
    if (error == ERROR_SUCCESS) return;
    RunState.NotStored = true;
    WriteLog(RunState.LogPath,
             L"既定値を保存できません：[" + std::wstring(section) + L"] " + key + L" エラー番号 " +
                 platform::DecimalText(error),
             kLogAppend);
}

std::int32_t LoadNumber(const wchar_t* section, const wchar_t* key, std::int32_t fallback,
                        const wchar_t* label) {
    // Whole: a number cut to the reader's length could pass for another.
    const std::wstring text = ReadIniValue(RunState.IniPath, section, key);
    if (text.empty()) {
        StoreDefault(section, key, platform::DecimalText(fallback),
                     label + platform::DecimalText(fallback));
        return fallback;
    }
    bool tooLarge = false;
    std::optional<std::int32_t> parsed = ParseWholeNumber(text, &tooLarge);
    if (!parsed) {
        bool cut = false;
        const std::wstring shown = CutToReadLimit(text, &cut) + (cut ? L"…" : L"");
        const std::wstring context = L"設定 [" + std::wstring(section) + L"] " + key + L"=" +
                                     shown + L" (" + RunState.IniPath + L")";
        if (tooLarge) {
            throw platform::RunFailure{platform::kNumberTooLarge,
                                       L"設定値が大きすぎます。-2147483648 から 2147483647 "
                                       L"までの整数を指定して下さい。",
                                       context};
        }
        throw platform::RunFailure{platform::kNotANumber, L"設定値が整数ではありません。", context};
    }
    WriteLog(RunState.LogPath, label + platform::DecimalText(*parsed), kLogAppend);
    return *parsed;
}

std::wstring LoadText(const wchar_t* key, const wchar_t* fallback, const wchar_t* label) {
    const std::wstring value = ReadIniString(RunState.IniPath, kMainSection, key);
    if (value.empty()) {
        StoreDefault(kMainSection, key, fallback, label + std::wstring(fallback));
        return fallback;
    }
    WriteLog(RunState.LogPath, label + value, kLogAppend);
    return value;
}

}  // namespace

void LoadSettings() {
    RefuseUnopenableProfile();
    RefuseMisreadProfile();
    RunState.LimitSize = LoadNumber(kMainSection, L"LimitSize", 2097152, L"制限サイズ取得：");
    RunState.WarningSize = LoadNumber(kMainSection, L"WarningSize", 1048576, L"警告サイズ取得：");
    RunState.WarningTitle = LoadText(L"WarningTitle", L"WARNING!", L"警告タイトル取得：");
    RunState.WarningMsg = LoadText(L"WarningMsg", kDefaultWarningMsg, L"警告メッセージ取得：");
    RunState.ShowNoCheckBox =
        LoadNumber(kNoCheckSection, kVisibleKey, 1, L"chkNoCheckチェックボックスの表示取得：");
}
